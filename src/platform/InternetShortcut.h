#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

// Web shortcuts kept as files: Internet Shortcut files ("News.url", an INI text with URL= in its
// [InternetShortcut] section) and freedesktop link entries ("News.desktop", Type=Link and URL= in
// its [Desktop Entry] group).
enum class ShortcutKind
{
    None,
    InternetShortcut,
    DesktopLink,
};

// The kind a file name stands for, by its extension (".url" in any case, ".desktop").
ShortcutKind ShortcutKindOf(std::string_view fileName);

// The title a file is shown with: its name without the last extension ("News.url" gives "News").
std::string ShortcutTitle(std::string_view fileName);

// The address in the text of an Internet Shortcut file; "" when it has none.
std::string InternetShortcutUrl(std::string_view text);

// The address in the text of a desktop entry; false when the entry is not a link (an application or
// a folder entry). url is "" for a link without an address.
bool DesktopLinkUrl(std::string_view text, std::string& url);

// What a shortcut file holds.
struct ShortcutFile
{
    // False for a file that is no web shortcut (wrong extension, a desktop entry of another type).
    bool isShortcut = false;
    std::string title;
    // "" when the file gives no address.
    std::string url;
};

// Reads a shortcut file, given its full path. A file named like a shortcut that cannot be read gives
// an error: whether an unreadable desktop entry is a link is unknown, so it counts as a shortcut.
Result<ShortcutFile> ReadShortcutFile(const std::string& path);
