#include "platform/DesktopEntry.h"

#include <cctype>

namespace {

bool SameName(std::string_view a, std::string_view b, KeyNames names)
{
    if (names == KeyNames::CaseSensitive || a.size() != b.size())
        return a == b;
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

} // namespace

std::optional<std::string_view> KeyFileValue(std::string_view text, std::string_view group, std::string_view key,
                                             KeyNames names)
{
    // Editors on Windows start UTF-8 files with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    bool inGroup = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            // Only the first group of the name counts; once it is over, so is the search.
            if (inGroup)
                return std::nullopt;
            inGroup = SameName(line.substr(1, line.size() - 2), group, names);
            continue;
        }
        const size_t equals = line.find('=');
        if (inGroup && equals != std::string_view::npos && SameName(Trim(line.substr(0, equals)), key, names))
            return Trim(line.substr(equals + 1));
    }
    return std::nullopt;
}

std::string UnescapeDesktopString(std::string_view value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
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
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}
