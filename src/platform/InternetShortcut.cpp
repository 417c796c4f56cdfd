#include "platform/InternetShortcut.h"

#include "platform/DesktopEntry.h"
#include "platform/FileUtil.h"

#include <cctype>

namespace {

// A shortcut is a few lines; anything larger is not one.
constexpr size_t kMaxShortcutBytes = 1 << 20;

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

ShortcutKind ShortcutKindOf(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return ShortcutKind::None;
    const std::string_view extension = fileName.substr(dot);
    // Windows names are not case-sensitive: "NEWS.URL" is as much a shortcut as "News.url".
    if (SameIgnoringCase(extension, ".url"))
        return ShortcutKind::InternetShortcut;
    if (extension == ".desktop")
        return ShortcutKind::DesktopLink;
    return ShortcutKind::None;
}

std::string ShortcutTitle(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::string(fileName);
    return std::string(fileName.substr(0, dot));
}

std::string InternetShortcutUrl(std::string_view text)
{
    // Section and key names of INI files are not case-sensitive; the first URL of the section counts.
    std::string_view value = KeyFileValue(text, "InternetShortcut", "URL", KeyNames::IgnoreCase).value_or("");
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool DesktopLinkUrl(std::string_view text, std::string& url)
{
    // Group and key names of desktop entries are case-sensitive; URL[de] and the like are other keys.
    // Only the [Desktop Entry] group describes the entry.
    const bool isLink = KeyFileValue(text, "Desktop Entry", "Type") == "Link";
    url = isLink ? UnescapeDesktopString(KeyFileValue(text, "Desktop Entry", "URL").value_or("")) : std::string();
    return isLink;
}

Result<ShortcutFile> ReadShortcutFile(const std::string& path)
{
    ShortcutFile file;
    const size_t slash = path.rfind('/');
    const std::string_view name
        = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    const ShortcutKind kind = ShortcutKindOf(name);
    if (kind == ShortcutKind::None)
        return file;
    file.title = ShortcutTitle(name);
    const Result<std::string> read = ReadWholeFile(path, kMaxShortcutBytes);
    if (!read)
        return read.error();
    const std::string& text = *read;
    if (kind == ShortcutKind::InternetShortcut) {
        file.isShortcut = true;
        file.url = InternetShortcutUrl(text);
    } else {
        file.isShortcut = DesktopLinkUrl(text, file.url);
        // The name a file manager shows the link by; the file name is often just "link".
        if (const std::string name = UnescapeDesktopString(KeyFileValue(text, "Desktop Entry", "Name").value_or(""));
            file.isShortcut && !name.empty())
            file.title = name;
    }
    return file;
}
