#include "extract/TextBuilder.h"

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
        m_text += c;
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
