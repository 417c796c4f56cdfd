#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The index of one page's history: what is known of each kept version and of the two copies beside
// it. The text it is saved as (one LF-ended line per item, fields separated by tabs):
//
//   sitevigil-history 1
//   next <N>                       the number the next version joining the history gets
//   current <time> <reason>        the current copy: when it was saved, the change that brought it
//   previous <time> <reason>       the same for the previous copy
//   version <N> <time> <size> <stored> <reason>
//                                  a kept version, oldest first: its number, when it was saved, its
//                                  size as a page and compressed, the change that replaced it
//
// Times are seconds since 1970 (UTC). Reasons are at most kMaxReason bytes, with backslash, tab and
// line breaks written as \\, \t, \n and \r. Lines of other kinds are skipped, so a later program may
// add some.
struct HistoryVersion
{
    int number = 0;
    int64_t time = 0;
    uint64_t size = 0;
    uint64_t stored = 0;
    std::string reason;
};

struct CopyInfo
{
    bool known = false;
    int64_t time = 0;
    std::string reason;
};

struct HistoryIndex
{
    int next = 1;
    CopyInfo current;
    CopyInfo previous;
    std::vector<HistoryVersion> versions; // numbers rising

    uint64_t StoredBytes() const;
};

inline constexpr size_t kMaxReason = 300;
// An index is never read past this (1,000 versions with the longest reasons fit well).
inline constexpr size_t kMaxIndexBytes = 1 << 20;
// The most versions an index is taken with, whatever the file says.
inline constexpr size_t kMaxIndexVersions = 100000;

std::string FormatHistoryIndex(const HistoryIndex& index);
// BadInput when the text is not an index (wrong first line, a malformed version line, numbers out of
// order); the caller then rebuilds the index from the version files.
Result<HistoryIndex> ParseHistoryIndex(std::string_view text);
// The reason as the index keeps it: cut at kMaxReason bytes on a character boundary.
std::string BoundedReason(std::string_view reason);
