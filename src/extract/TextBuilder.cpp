#include "extract/TextBuilder.h"

#include <array>

namespace {

// White space, and the lead bytes of the invisible characters Append drops or turns into spaces.
constexpr std::array<bool, 256> kNeedsLook = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view(" \t\r\f\v\n\xC2\xE2\xEF"))
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

bool NeedsLook(char c)
{
    return kNeedsLook[static_cast<unsigned char>(c)];
}

} // namespace

void CTextBuilder::Append(std::string_view text, bool keepLines)
{
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (NeedsLook(c)) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                Space();
                ++i;
                continue;
            }
            if (c == '\n') {
                if (keepLines)
                    EndLine();
                else
                    Space();
                ++i;
                continue;
            }
            if (text.substr(i, 2) == "\xC2\xA0") { // U+00A0
                Space();
                i += 2;
                continue;
            }
            // U+200B zero width space and U+FEFF: invisible, and they change nothing a reader sees.
            if (text.substr(i, 3) == "\xE2\x80\x8B" || text.substr(i, 3) == "\xEF\xBB\xBF") {
                i += 3;
                continue;
            }
        }
        if (m_pendingSpace) {
            m_text += ' ';
            m_pendingSpace = false;
        }
        // The run of characters up to the next one that needs a look is copied whole.
        std::size_t end = i + 1;
        while (end < text.size() && !NeedsLook(text[end]))
            ++end;
        m_text.append(text.data() + i, end - i);
        i = end;
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
