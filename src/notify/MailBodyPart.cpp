#include "notify/MailBodyPart.h"

#include "notify/QuotedPrintable.h"

namespace {

// Doubles a leading '.' on every line of text with CR LF line ends.
std::string DotStuff(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 64 + 2);
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

} // namespace

void CMailBodyPart::AssignText(std::string_view text)
{
    std::string plain;
    plain.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            // "\r\n", a bare "\r" and a bare "\n" each end one line.
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            plain += "\r\n";
            continue;
        }
        plain += c;
    }
    m_strPlain = std::move(plain);
    m_strEncoded = m_strPlain;
    m_strText = DotStuff(m_strPlain);
    m_strContentType = "text/plain";
    m_strTransferEncoding.clear();
}

bool CMailBodyPart::IsPlainAsciiOfShortLines() const
{
    std::size_t lineLength = 0;
    for (const char c : m_strText) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
        if (c == '\n') {
            lineLength = 0;
            continue;
        }
        // The CR of a line end does not count; the line's own bytes never hold one.
        if (c != '\r' && ++lineLength > kMaxLineLength)
            return false;
    }
    return true;
}

void CMailBodyPart::EncodeQuotedPrintable()
{
    m_strEncoded = ::EncodeQuotedPrintable(m_strPlain);
    m_strText = DotStuff(m_strEncoded);
    m_strTransferEncoding = "quoted-printable";
}
