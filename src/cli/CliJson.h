#pragma once

#include <string>
#include <string_view>

// The text as a JSON string literal, quotes included. Control characters are escaped, and bytes that
// are not valid UTF-8 (texts of old lists may be in another code page) become U+FFFD.
std::string JsonString(std::string_view text);
