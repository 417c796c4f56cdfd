#pragma once

#include <chrono>
#include <cstddef>

// Bounds that keep hostile pages from holding a worker: every page, selection and ignore rule is
// untrusted input.
namespace ExtractLimits {

// A page larger than this is not parsed for its text ("Page too large to compare as text"); its
// tree would take several times its size in memory.
constexpr std::size_t kMaxHtmlBytes = 16u * 1024 * 1024;
// Tags a page may have before it is refused; a tree node costs about a hundred bytes.
constexpr std::size_t kMaxTags = 2'000'000;
// Steps the XPath engine may take for one selection: enough for any selector on a real page,
// and ends a quadratic one (":nth-child" over a hundred thousand siblings) in well under a second.
constexpr unsigned long kMaxXPathSteps = 20'000'000;
// Longest selector or XPath expression accepted.
constexpr std::size_t kMaxSelectorLength = 4096;
// Longest ignore text or regular expression accepted.
constexpr std::size_t kMaxIgnoreRuleLength = 1024;
// Backtracking steps one regular expression may take on one line.
constexpr unsigned kMaxRegexStepsPerLine = 200'000;
// Time all regular expressions together may take on one page.
constexpr std::chrono::milliseconds kMaxIgnoreTimePerPage{2000};

} // namespace ExtractLimits
