#include "extract/TextBuilder.h"

namespace {

// White space, and the lead bytes of the invisible characters Append drops or turns into spaces.
bool NeedsLook(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == '\n' || c == '\xC2' || c == '\xE2'
        || c == '\xEF';
}

} // namespace

void CTextBuilder::Append(std::string_view text, bool keepLines)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            Space();
            continue;
        }
        if (c == '\n') {
            if (keepLines)
                EndLine();
            else
                Space();
            continue;
        }
        if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') { // U+00A0
            ++i;
            Space();
            continue;
        }
        // U+200B zero width space and U+FEFF: invisible, and they change nothing a reader sees.
        if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80' && text[i + 2] == '\x8B') {
            i += 2;
            continue;
        }
        if (c == '\xEF' && i + 2 < text.size() && text[i + 1] == '\xBB' && text[i + 2] == '\xBF') {
            i += 2;
            continue;
        }
        if (m_pendingSpace) {
            m_text += ' ';
            m_pendingSpace = false;
        }
        // The run of characters up to the next one that needs a look is copied whole.
        std::size_t end = i + 1;
        while (end < text.size() && !NeedsLook(text[end]))
            ++end;
        m_text.append(text.substr(i, end - i));
        i = end - 1;
    }
}

void CTextBuilder::EndLine()
{
    if (m_lineStart != m_text.size()) {
        m_text += '\n';
        m_lineStart = m_text.size();
    }
    m_pendingSpace = false;
}

std::string CTextBuilder::Take()
{
    EndLine();
    m_lineStart = 0;
    return std::move(m_text);
}
