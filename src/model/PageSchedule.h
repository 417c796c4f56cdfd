#pragma once

#include <cstdint>
#include <string>

class Curl;

// A page's schedule as the list shows it, and show and list --json give it.

// "15m", "6h", "2d", or "global".
std::string EveryText(const Curl& page);
// When a page with an interval of its own is checked next (now when it is due already), in seconds
// since 1970; 0 for a page on the global schedule, whose time only the running scheduler knows.
int64_t NextCheckOf(const Curl& page);
