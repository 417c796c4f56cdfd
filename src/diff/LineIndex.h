#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The positions of a file's lines grouped by comparable text, so that the lines equal to a given one
// are found without scanning the file: an open-addressing table from line hash to group, and each
// group's positions in ascending order. Lines of one group have the same text, not only the same
// hash, so a lookup never has to weigh candidates one by one, whatever the lines are.
class CLineIndex
{
public:
    // same(p, q) tells whether the lines at positions p and q have the same comparable text.
    template <class Same> void Build(const std::vector<std::uint64_t>& hashes, Same same);
    // The positions of the lines with this hash whose text matches (matches(p) is asked of one line
    // p of a group), ascending; empty when there are none.
    template <class Matches> std::span<const int> Positions(std::uint64_t hash, Matches matches) const;

private:
    // Eight bytes, so that the table of a large file is small enough to stay in the caches longer.
    struct Slot
    {
        std::uint32_t tag = 0; // the low half of the hash; the slot's position comes from the high bits
        int group = -1; // -1: free
    };

    static constexpr std::size_t kLookAhead = 8;

    void Start(std::size_t count);
    void Finish(const std::vector<int>& groupOf, const std::vector<int>& sizes);
    std::size_t Home(std::uint64_t hash) const { return static_cast<std::size_t>(hash >> m_shift); }
    std::size_t Next(std::size_t slot) const { return (slot + 1) & (m_slots.size() - 1); }
    std::span<const int> Group(int group) const;
    // The first position of a group, whose text stands for all of it.
    int First(int group) const
    {
        return m_positions[static_cast<std::size_t>(m_groupStart[static_cast<std::size_t>(group)])];
    }
    static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash); }

    std::vector<Slot> m_slots; // size is a power of two, at most half full
    int m_shift = 63; // 64 - log2 of the slot count
    std::vector<int> m_groupStart; // group g holds m_positions[m_groupStart[g] .. m_groupStart[g + 1])
    std::vector<int> m_positions;
};

template <class Same> void CLineIndex::Build(const std::vector<std::uint64_t>& hashes, Same same)
{
    const std::size_t count = hashes.size();
    Start(count);
    // One group per distinct text, numbered in order of appearance, with its size and first position.
    std::vector<int> groupOf(count);
    std::vector<int> sizes;
    std::vector<int> firsts;
    for (std::size_t p = 0; p < count; ++p) {
        // The slots are visited in no order: asking for one a few lines ahead hides the wait for memory.
        if (p + kLookAhead < count)
            __builtin_prefetch(&m_slots[Home(hashes[p + kLookAhead])]);
        const std::uint32_t tag = Tag(hashes[p]);
        std::size_t slot = Home(hashes[p]);
        while (m_slots[slot].group >= 0
               && (m_slots[slot].tag != tag
                   || !same(firsts[static_cast<std::size_t>(m_slots[slot].group)], static_cast<int>(p))))
            slot = Next(slot);
        Slot& found = m_slots[slot];
        if (found.group < 0) {
            found = Slot{tag, static_cast<int>(sizes.size())};
            sizes.push_back(0);
            firsts.push_back(static_cast<int>(p));
        }
        groupOf[p] = found.group;
        ++sizes[static_cast<std::size_t>(found.group)];
    }
    Finish(groupOf, sizes);
}

template <class Matches> std::span<const int> CLineIndex::Positions(std::uint64_t hash, Matches matches) const
{
    if (m_slots.empty())
        return {};
    for (std::size_t slot = Home(hash); m_slots[slot].group >= 0; slot = Next(slot)) {
        if (m_slots[slot].tag == Tag(hash) && matches(First(m_slots[slot].group)))
            return Group(m_slots[slot].group);
    }
    return {};
}
