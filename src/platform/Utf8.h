#pragma once

#include <string>

// Appends the UTF-8 bytes of one code point (up to U+10FFFF; callers keep surrogates out).
void AppendUtf8(std::string& out, char32_t cp);
