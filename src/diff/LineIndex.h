#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The positions of a file's lines grouped by line hash, so that the lines with a given hash are
// found without scanning the file: an open-addressing table from hash to group, and each group's
// positions in ascending order.
class CLineIndex
{
public:
    void Build(const std::vector<std::int32_t>& hashes);
    // The positions of the lines with this hash, ascending; empty when there are none.
    std::span<const int> Positions(std::int32_t hash) const;

private:
    struct Slot
    {
        std::int32_t hash = 0;
        int group = -1; // -1: free
    };

    std::size_t SlotOf(std::int32_t hash) const;

    std::vector<Slot> m_slots; // size is a power of two, at most half full
    int m_shift = 32; // 32 - log2 of the slot count
    std::vector<int> m_groupStart; // group g holds m_positions[m_groupStart[g] .. m_groupStart[g + 1])
    std::vector<int> m_positions;
};
