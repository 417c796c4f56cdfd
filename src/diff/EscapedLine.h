#pragma once

#include <cstddef>
#include <string_view>

// One line of a version as the report shows it: '<', '>' and '&' become entities, each leading blank
// a non-breaking space (a tab four of them), and an empty line a single non-breaking space, so that
// the row keeps its height.

// The most bytes WriteEscapedLine can write for text.
std::size_t EscapedLineRoom(std::string_view text);

// At least EscapedLineRoom(text), and without looking at the bytes of a short line.
std::size_t QuickEscapedLineRoom(std::string_view text);

// Writes text escaped at out, which has room for EscapedLineRoom(text) bytes, and returns the end
// of what it wrote.
char* WriteEscapedLine(std::string_view text, char* out);
