#pragma once

#include <string>
#include <string_view>

// Collects visible text line by line: runs of white space (and no-break spaces) become one space,
// lines carry no leading or trailing space, and empty lines are never written. Each line of the
// result ends with '\n'.
class CTextBuilder
{
public:
    // Appends text as a browser lays it out; with keepLines (inside <pre>) a line feed ends the line.
    void Append(std::string_view text, bool keepLines = false);
    // A word break: a space unless the line is empty or already ends in one.
    void Space() { m_pendingSpace = m_lineStart != m_text.size(); }
    void EndLine();
    std::string Take();
    std::size_t Size() const { return m_text.size(); }

private:
    std::string m_text;
    std::size_t m_lineStart = 0;
    bool m_pendingSpace = false;
};
