#pragma once

#include <cstddef>

// The label of one line of a comparison result. The report picks its style class by the numeric value.
enum class LineKind : int
{
    Normal = 0, // in both versions; also every empty filler line
    Changed = 1, // replaced by the line on the same row of the other side
    Added = 2, // only in the new version
    Deleted = 3, // only in the old version
};

// One line of a file held in memory: where its bytes lie in the file's byte store (without the line
// end, exactly as read) or, for a line of a result, in the store of the file it was taken from; and
// its label.
struct DiffLine
{
    std::size_t offset = 0;
    std::size_t length = 0;
    LineKind kind = LineKind::Normal;
    bool inSource = false;
};
