#pragma once

#include <cstddef>
#include <cstdint>

// The label of one line of a comparison result. The report picks its style class by the numeric value.
enum class LineKind : std::uint8_t
{
    Normal = 0, // in both versions; also every empty filler line
    Changed = 1, // replaced by the line on the same row of the other side
    Added = 2, // only in the new version
    Deleted = 3, // only in the old version
};

// One line of a file held in memory: where its bytes lie in the file's byte store (without the line
// end, exactly as read) or, for a line of a result, in the store of the file it was taken from; and
// its label. Twelve bytes: a report of a large page holds four arrays of these, and every byte
// of them is memory the system has to hand over fresh.
struct DiffLine
{
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    LineKind kind = LineKind::Normal;
    bool inSource = false;
};

// The most bytes one file's store holds, so that a line's place fits the fields above. Far beyond
// any page the program downloads.
inline constexpr std::size_t kMaxLineStoreBytes = UINT32_MAX;
