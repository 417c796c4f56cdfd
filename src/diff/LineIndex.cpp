#include "diff/LineIndex.h"

#include <algorithm>
#include <bit>

std::size_t CLineIndex::SlotOf(std::int32_t hash) const
{
    // The line hash is weak in its low bits (h = 3h + b); Fibonacci hashing takes the well-mixed
    // top bits of the product instead.
    const std::uint32_t mixed = static_cast<std::uint32_t>(hash) * 0x9E3779B1u;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = static_cast<std::size_t>(mixed >> m_shift);
    while (m_slots[slot].group >= 0 && m_slots[slot].hash != hash)
        slot = (slot + 1) & mask;
    return slot;
}

void CLineIndex::Build(const std::vector<std::int32_t>& hashes)
{
    const std::size_t count = hashes.size();
    m_slots.assign(std::bit_ceil(std::max<std::size_t>(16, 2 * count)), Slot{});
    m_shift = 32 - std::countr_zero(m_slots.size());
    m_groupStart.clear();

    // First pass: one group per distinct hash, numbered in order of appearance, with its size.
    std::vector<int> groupOf(count);
    std::vector<int> sizes;
    for (std::size_t p = 0; p < count; ++p) {
        Slot& slot = m_slots[SlotOf(hashes[p])];
        if (slot.group < 0) {
            slot.hash = hashes[p];
            slot.group = static_cast<int>(sizes.size());
            sizes.push_back(0);
        }
        groupOf[p] = slot.group;
        ++sizes[static_cast<std::size_t>(slot.group)];
    }

    m_groupStart.resize(sizes.size() + 1);
    m_groupStart[0] = 0;
    for (std::size_t g = 0; g < sizes.size(); ++g)
        m_groupStart[g + 1] = m_groupStart[g] + sizes[g];

    // Second pass: walking the lines in order leaves each group's positions ascending.
    std::vector<int> next(m_groupStart.begin(), m_groupStart.end() - 1);
    m_positions.resize(count);
    for (std::size_t p = 0; p < count; ++p)
        m_positions[static_cast<std::size_t>(next[static_cast<std::size_t>(groupOf[p])]++)] = static_cast<int>(p);
}

std::span<const int> CLineIndex::Positions(std::int32_t hash) const
{
    if (m_slots.empty())
        return {};
    const Slot& slot = m_slots[SlotOf(hash)];
    if (slot.group < 0)
        return {};
    const auto g = static_cast<std::size_t>(slot.group);
    return std::span<const int>(m_positions)
        .subspan(static_cast<std::size_t>(m_groupStart[g]),
                 static_cast<std::size_t>(m_groupStart[g + 1] - m_groupStart[g]));
}
