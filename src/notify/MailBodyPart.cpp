#include "notify/MailBodyPart.h"

void CMailBodyPart::AssignText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    bool lineStart = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // "\r\n", a bare "\r" and a bare "\n" each end one line.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = false;
    }
    m_strText = std::move(out);
    m_strContentType = "text/plain";
}
