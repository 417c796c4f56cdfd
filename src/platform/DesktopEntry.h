#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reading key files: desktop entries ("[Desktop Entry]" with Key=Value lines) and the INI texts of
// Internet Shortcut files, which are laid out the same way.

// Desktop entries are small; a file larger than this is not read as one.
constexpr size_t kMaxDesktopEntryBytes = 1 << 20;

enum class KeyNames
{
    CaseSensitive, // desktop entries: "URL" and "url" are different keys
    IgnoreCase, // INI files
};

// The value of the first such key in the first group of that name, as written (spaces around it
// trimmed, escapes kept); nothing when there is none. Lines may end with CR LF, a UTF-8 byte order
// mark is skipped, and lines starting with '#' are comments. Localized keys such as "Name[de]" are
// keys of their own.
std::optional<std::string_view> KeyFileValue(std::string_view text, std::string_view group, std::string_view key,
                                             KeyNames names = KeyNames::CaseSensitive);

// A string value with its escapes undone: \s \n \t \r \\ stand for a space, a newline, a tab, a
// carriage return and a backslash; any other backslash is kept as it is.
std::string UnescapeDesktopString(std::string_view value);
