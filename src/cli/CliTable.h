#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Rows of text cells written either for people or for scripts. On a terminal: a header row (when a
// column has a header) and columns aligned by their widths in characters, each cell at most its
// column's limit (cut with "..."). Piped: no header, one line per row with the cells separated by
// tabs (tabs and line breaks inside a cell become spaces). Either way control characters are shown
// escaped, so that a page's texts cannot drive the terminal.
class CCliTable
{
public:
    // maxWidth 0: no limit.
    void AddColumn(std::string header, size_t maxWidth = 0);
    void AddRow(std::vector<std::string> cells);
    size_t RowCount() const { return m_rows.size(); }
    void Write(std::ostream& out, bool terminal) const;

private:
    struct Column
    {
        std::string header;
        size_t maxWidth;
    };
    std::vector<Column> m_columns;
    std::vector<std::vector<std::string>> m_rows;
};

// Tabs and line breaks become spaces, so that the text stays one cell of one line.
std::string OneLine(std::string text);
// Without the blanks around it.
std::string Trimmed(const std::string& text);
// "2026-12-08 12:54" in local time; "" for 0.
std::string ShortTime(int64_t seconds);
// "2026-12-08T11:54:03Z" (UTC).
std::string IsoTime(int64_t seconds);
// "1 page", "2 pages": the count and the noun, in the plural unless the count is one.
std::string Counted(size_t count, const std::string& noun, const std::string& plural = {});
