#include "cli/CliTable.h"

#include "platform/TerminalText.h"

#include <algorithm>
#include <ctime>
#include <ostream>

namespace {

// Characters, not bytes: a continuation byte starts none. Bytes that are not UTF-8 count one each.
size_t Width(const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The first count characters.
std::string FirstCharacters(const std::string& text, size_t count)
{
    size_t i = 0;
    for (size_t seen = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && seen++ == count)
            break;
    }
    return text.substr(0, i);
}

// What a terminal may be shown of a cell: control characters escaped, at most maxWidth characters.
std::string ForTerminal(const std::string& text, size_t maxWidth)
{
    std::string shown = TerminalText(text);
    if (maxWidth > 3 && Width(shown) > maxWidth)
        shown = FirstCharacters(shown, maxWidth - 3) + "...";
    return shown;
}

std::string FormatTime(int64_t seconds, bool utc, const char* format)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!(utc ? gmtime_r(&time, &parts) : localtime_r(&time, &parts)))
        return {};
    char text[40];
    return std::strftime(text, sizeof text, format, &parts) ? text : "";
}

} // namespace

void CCliTable::AddColumn(std::string header, size_t maxWidth)
{
    m_columns.push_back({std::move(header), maxWidth});
}

void CCliTable::AddRow(std::vector<std::string> cells)
{
    cells.resize(m_columns.size());
    m_rows.push_back(std::move(cells));
}

void CCliTable::Write(std::ostream& out, bool terminal) const
{
    if (!terminal) {
        for (const auto& row : m_rows) {
            for (size_t i = 0; i < row.size(); ++i)
                out << (i ? "\t" : "") << TerminalText(OneLine(row[i]));
            out << '\n';
        }
        return;
    }
    std::vector<std::vector<std::string>> shown;
    shown.reserve(m_rows.size() + 1);
    // Columns without headers (a list of labelled values) get no header row.
    if (std::any_of(m_columns.begin(), m_columns.end(), [](const Column& column) { return !column.header.empty(); })) {
        shown.emplace_back();
        for (const Column& column : m_columns)
            shown.back().push_back(column.header);
    }
    for (const auto& row : m_rows) {
        shown.emplace_back();
        for (size_t i = 0; i < row.size(); ++i)
            shown.back().push_back(ForTerminal(row[i], m_columns[i].maxWidth));
    }
    std::vector<size_t> widths(m_columns.size(), 0);
    for (const auto& row : shown) {
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], Width(row[i]));
    }
    for (const auto& row : shown) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - Width(row[i]) + 2, ' ');
        }
        out << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
    }
}

std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string ShortTime(int64_t seconds)
{
    return seconds == 0 ? std::string() : FormatTime(seconds, false, "%Y-%m-%d %H:%M");
}

std::string IsoTime(int64_t seconds)
{
    return FormatTime(seconds, true, "%Y-%m-%dT%H:%M:%SZ");
}

std::string Counted(size_t count, const std::string& noun, const std::string& plural)
{
    return std::to_string(count) + " " + (count == 1 ? noun : plural.empty() ? noun + "s" : plural);
}
