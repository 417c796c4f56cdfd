#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Appends the UTF-8 bytes of one code point (up to U+10FFFF; callers keep surrogates out).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes the well-formed UTF-8 sequence starting at text[pos] (pos < text.size()) into cp and
// returns its length (1 to 4). Returns 0, leaving cp alone, when the bytes there are not one: a
// stray or missing continuation byte, an overlong form, a surrogate or a value above U+10FFFF.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& cp);

// The largest length up to maxBytes at which text can be cut without splitting a UTF-8 sequence:
// the whole text when it fits, otherwise maxBytes backed off over continuation bytes. May be 0
// when no such point exists within maxBytes.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);
