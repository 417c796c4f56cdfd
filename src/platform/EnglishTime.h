#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A time (seconds since 1970) in local time, written with the program's own English day and month
// names whatever the user's locale. The format takes %a, %A (day), %b, %B (month), %d (two-digit day),
// %H, %M, %S (two digits), %Y (year) and %%; other characters are copied. Empty when the time cannot be
// converted.
std::string FormatEnglishLocalTime(int64_t seconds, std::string_view format);
