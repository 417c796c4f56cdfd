#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The shortest edit script between two sequences of tokens (lines or words), found with Myers'
// O(ND) algorithm. Both sequences are held by the caller; the script names no token, only steps.

enum class EditStep : unsigned char
{
    Keep, // the next token of both sequences
    Delete, // the next token of the old sequence only
    Insert, // the next token of the new sequence only
};

// The steps that turn oldTokens into newTokens. Past maxCost differing tokens (after the common
// start and end are taken off) the search stops and the middle counts as replaced whole, so that a
// page rewritten from top to bottom costs bounded time and memory.
std::vector<EditStep> DiffTokens(const std::vector<std::string_view>& oldTokens,
                                 const std::vector<std::string_view>& newTokens, size_t maxCost = 2000);

// The lines of a text, without their '\n' ends; a last line without one counts too.
std::vector<std::string_view> SplitLines(std::string_view text);

// How many lines were added and removed between two texts (a changed line counts once each way).
struct LineChanges
{
    size_t added = 0;
    size_t removed = 0;

    bool Any() const { return added != 0 || removed != 0; }
};
LineChanges CountLineChanges(std::string_view oldText, std::string_view newText);
