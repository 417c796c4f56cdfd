#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>
#include <string_view>

class Curl;

// How often one page is checked: every so many seconds, or on the global schedule (0).
struct CheckInterval
{
    int64_t seconds = 0;

    bool IsGlobal() const { return seconds == 0; }
    bool operator==(const CheckInterval&) const = default;
};

// Intervals shorter than a minute would keep hosts busy for nothing; longer than a year is a mistake.
constexpr int64_t kMinCheckInterval = 60;
constexpr int64_t kMaxCheckInterval = 366 * 86400;

// Reads "15m", "6h", "2d" (a whole number and a unit: minutes, hours, days), and "" or "global" for
// the global schedule. BadInput, with the reason, for anything else or an interval outside the limits.
Result<CheckInterval> ParseCheckInterval(std::string_view text);
// The interval in the largest unit that divides it ("90m", "6h", "2d"); "" for the global schedule.
std::string FormatCheckInterval(CheckInterval interval);

// As the list file stores it: the text FormatCheckInterval gives. A value that does not read keeps the
// global schedule.
std::string EncodeOptionValue(CheckInterval interval);
bool DecodeOptionValue(std::string_view text, CheckInterval& interval);

// When a page on an interval of its own is due next, in seconds since 1970: its last check plus the
// interval, moved by up to jitterPercent of the interval earlier or later. The amount is drawn from
// the page and its last check, so it stays put between checks yet differs from page to page. A page
// never checked is due at once (0). Not for pages on the global schedule.
int64_t NextCheckTime(const Curl& page, CheckInterval interval, int jitterPercent);
