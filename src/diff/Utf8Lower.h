#pragma once

#include <string>
#include <string_view>

// Lower-cases UTF-8 text by the one-to-one lower-case mapping of each character, for every script
// that has letter case. Bytes that do not form a valid UTF-8 sequence (pages in other encodings) are
// copied unchanged, so the result never loses or invents bytes it cannot interpret.
void AppendUtf8Lower(std::string_view text, std::string& out);
std::string Utf8ToLower(std::string_view text);

// The lower-case counterpart of one code point, or the code point itself when it has none.
char32_t LowerCodePoint(char32_t cp);
