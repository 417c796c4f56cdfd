#include "platform/InternetShortcut.h"

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

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Calls onLine(line) for each line of the text, without its CR LF or LF; stops when it returns false.
template <typename OnLine> void ForEachLine(std::string_view text, OnLine onLine)
{
    // Editors on Windows start UTF-8 files with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!onLine(line))
            return;
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

// "[Name]" gives Name; anything else gives false.
bool SectionName(std::string_view line, std::string_view& name)
{
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    name = line.substr(1, line.size() - 2);
    return true;
}

// Desktop entry values escape a few characters with a backslash.
std::string UnescapeDesktopValue(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            out += value[i];
        }
    }
    return out;
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
    bool inSection = false;
    std::string url;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view section;
        if (SectionName(line, section)) {
            inSection = SameIgnoringCase(section, "InternetShortcut");
            return true;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos || !SameIgnoringCase(Trim(line.substr(0, equals)), "URL"))
            return true;
        std::string_view value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        url = value;
        return false;
    });
    return url;
}

bool DesktopLinkUrl(std::string_view text, std::string& url)
{
    url.clear();
    // Group and key names of desktop entries are case-sensitive; URL[de] and the like are other keys.
    bool inEntry = false;
    bool isLink = false;
    bool haveUrl = false;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view group;
        if (SectionName(line, group)) {
            // Only the [Desktop Entry] group describes the entry; it comes first, so the rest can go.
            if (inEntry)
                return false;
            inEntry = group == "Desktop Entry";
            return true;
        }
        const size_t equals = line.find('=');
        if (!inEntry || line.empty() || line.front() == '#' || equals == std::string_view::npos)
            return true;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (key == "Type")
            isLink = value == "Link";
        else if (key == "URL" && !haveUrl) {
            url = UnescapeDesktopValue(value);
            haveUrl = true;
        }
        return true;
    });
    if (!isLink)
        url.clear();
    return isLink;
}

ShortcutFile ReadShortcutFile(const std::string& path)
{
    ShortcutFile file;
    const size_t slash = path.rfind('/');
    const std::string_view name
        = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    const ShortcutKind kind = ShortcutKindOf(name);
    if (kind == ShortcutKind::None)
        return file;
    file.title = ShortcutTitle(name);
    std::string text;
    file.error = ReadWholeFile(path, text, kMaxShortcutBytes);
    if (!file.error.empty()) {
        // Whether an unreadable desktop entry is a link is unknown; it is reported like a shortcut.
        file.isShortcut = true;
        return file;
    }
    if (kind == ShortcutKind::InternetShortcut) {
        file.isShortcut = true;
        file.url = InternetShortcutUrl(text);
    } else {
        file.isShortcut = DesktopLinkUrl(text, file.url);
    }
    return file;
}
