#include "diff/LineIndex.h"

#include <algorithm>
#include <bit>

void CLineIndex::Start(std::size_t count)
{
    m_slots.assign(std::bit_ceil(std::max<std::size_t>(16, 2 * count)), Slot{});
    // The line hash is keyed and well mixed in every bit: its top bits pick the slot.
    m_shift = 64 - std::countr_zero(m_slots.size());
    m_groupStart.clear();
    m_positions.clear();
}

void CLineIndex::Finish(const std::vector<int>& groupOf, const std::vector<int>& sizes)
{
    m_groupStart.resize(sizes.size() + 1);
    m_groupStart[0] = 0;
    for (std::size_t g = 0; g < sizes.size(); ++g)
        m_groupStart[g + 1] = m_groupStart[g] + sizes[g];

    // Walking the lines in order leaves each group's positions ascending.
    std::vector<int> next(m_groupStart.begin(), m_groupStart.end() - 1);
    m_positions.resize(groupOf.size());
    for (std::size_t p = 0; p < groupOf.size(); ++p)
        m_positions[static_cast<std::size_t>(next[static_cast<std::size_t>(groupOf[p])]++)] = static_cast<int>(p);
}

std::span<const int> CLineIndex::Group(int group) const
{
    const auto g = static_cast<std::size_t>(group);
    return std::span<const int>(m_positions)
        .subspan(static_cast<std::size_t>(m_groupStart[g]),
                 static_cast<std::size_t>(m_groupStart[g + 1] - m_groupStart[g]));
}
