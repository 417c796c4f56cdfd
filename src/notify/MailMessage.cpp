#include "notify/MailMessage.h"

#include "platform/Clock.h"
#include "platform/EnglishTime.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Our texts are UTF-8; one that is not well-formed is taken to be iso-8859-1 and converted.
void MakeUtf8(std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const size_t length = DecodeUtf8(text, i, code);
        if (length == 0) {
            std::string converted;
            for (const char c : text)
                AppendUtf8(converted, static_cast<unsigned char>(c));
            text = std::move(converted);
            return;
        }
        i += length;
    }
}

} // namespace

bool CMailMessage::AddRecipientList(std::string_view list)
{
    bool added = false;
    size_t start = 0;
    for (size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',' && list[i] != ';')
            continue;
        const std::string entry = TrimWhiteSpace(list.substr(start, i - start));
        start = i + 1;
        if (entry.empty())
            continue;
        CMailAddress address = CMailAddress::ParseAddress(entry);
        if (address.m_strEmailAddress.empty())
            continue;
        m_Recipients.push_back(std::move(address));
        added = true;
    }
    return added;
}

std::string CMailMessage::BuildHeader() const
{
    return BuildHeader(Clock::Now());
}

std::string CMailMessage::BuildHeader(int64_t now) const
{
    const std::string& charset = m_Body.m_strCharset;
    std::string header = "From: " + m_From.FormatForHeader(charset) + "\r\n";
    std::string to = "To: ";
    for (size_t i = 0; i < m_Recipients.size(); ++i) {
        if (i > 0)
            to += ',';
        to += m_Recipients[i].FormatForHeader(charset);
    }
    // A line SMTP would refuse is folded after each comma instead.
    if (to.size() > CMailBodyPart::kMaxLineLength) {
        to = "To: ";
        for (size_t i = 0; i < m_Recipients.size(); ++i)
            to += (i > 0 ? ",\r\n " : "") + m_Recipients[i].FormatForHeader(charset);
    }
    header += to + "\r\n";
    header += "Subject: " + EncodeHeaderText(m_strSubject, charset) + "\r\n";
    const bool mime = charset != "iso-8859-1" || !m_Body.m_strTransferEncoding.empty();
    if (mime)
        header += "MIME-Version: 1.0\r\n";
    header += "Content-Type: " + m_Body.m_strContentType + ";\r\n\tcharset=" + charset + "\r\n";
    if (!m_Body.m_strTransferEncoding.empty())
        header += "Content-Transfer-Encoding: " + m_Body.m_strTransferEncoding + "\r\n";
    header += "Date: " + FormatDate(now) + "\r\n";
    return header;
}

std::string CMailMessage::FormatZoneOffset(int biasMinutes)
{
    const int east = -biasMinutes;
    const int magnitude = std::abs(east);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d%02d", east < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

std::string CMailMessage::FormatDate(int64_t now)
{
    const auto seconds = static_cast<time_t>(now);
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return {};
    // English names whatever the user's locale; the trailing blank comes before the zone offset.
    return FormatEnglishLocalTime(now, "%a, %d %b %Y %H:%M:%S ")
        + FormatZoneOffset(static_cast<int>(-local.tm_gmtoff / 60));
}

std::string CMailMessage::FindLineBreak() const
{
    if (HasLineBreak(m_From.m_strFriendlyName))
        return "the sender's name";
    if (HasLineBreak(m_From.m_strEmailAddress))
        return "the sender's address";
    if (HasLineBreak(m_strSubject))
        return "the subject";
    for (const CMailAddress& recipient : m_Recipients) {
        if (recipient.HasLineBreak())
            return "a recipient";
    }
    return {};
}

void CMailMessage::ChooseEncoding()
{
    std::vector<std::string*> texts{&m_From.m_strFriendlyName, &m_strSubject};
    for (CMailAddress& recipient : m_Recipients)
        texts.push_back(&recipient.m_strFriendlyName);
    bool ascii = true;
    for (std::string* text : texts) {
        MakeUtf8(*text);
        ascii = ascii && IsAscii(*text);
    }
    std::string body = m_Body.GetPlainText();
    MakeUtf8(body);
    if (body != m_Body.GetPlainText())
        m_Body.AssignText(body);
    ascii = ascii && IsAscii(body);

    // Plain ASCII of short lines goes out as it always has; anything else says what it is.
    if (!ascii)
        m_Body.m_strCharset = "utf-8";
    if (!m_Body.IsPlainAsciiOfShortLines())
        m_Body.EncodeQuotedPrintable();
}
