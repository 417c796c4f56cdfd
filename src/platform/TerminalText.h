#pragma once

#include <string>
#include <string_view>

// Text from pages, files and servers made safe to print on a terminal: control characters (C0, DEL,
// C1) and bytes that are not UTF-8 are shown as \xNN or \u{NN} instead of reaching the terminal, where
// they could move the cursor, change colours or set the window title. A backslash stays as it is.
// keepLineBreaks lets '\n' through, for texts of several lines.
std::string TerminalText(std::string_view text, bool keepLineBreaks = false);
