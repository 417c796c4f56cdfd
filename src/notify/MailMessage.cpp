#include "notify/MailMessage.h"

#include "platform/EnglishTime.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

enum class Latin1Fit
{
    Fits,
    TooWide,
    NotUtf8,
};

// Converts UTF-8 to iso-8859-1 when every character has a code below 256; text that is not
// well-formed UTF-8 is reported as such rather than converted.
Latin1Fit ToLatin1(std::string_view text, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const size_t length = DecodeUtf8(text, i, code);
        if (length == 0)
            return Latin1Fit::NotUtf8;
        if (code > 0xFF)
            return Latin1Fit::TooWide;
        out += static_cast<char>(code);
        i += length;
    }
    return Latin1Fit::Fits;
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
    return BuildHeader(static_cast<int64_t>(std::time(nullptr)));
}

std::string CMailMessage::BuildHeader(int64_t now) const
{
    const std::string& charset = m_Body.m_strCharset;
    std::string header = "From: " + m_From.FormatForHeader(charset) + "\r\n";
    header += "To: ";
    for (size_t i = 0; i < m_Recipients.size(); ++i) {
        if (i > 0)
            header += ',';
        header += m_Recipients[i].FormatForHeader(charset);
    }
    header += "\r\n";
    header += "Subject: " + EncodeHeaderText(m_strSubject, charset) + "\r\n";
    header += "Content-Type: " + m_Body.m_strContentType + ";\r\n\tcharset=" + charset + "\r\n";
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

void CMailMessage::ChooseCharset()
{
    std::vector<std::string*> texts{&m_From.m_strFriendlyName, &m_strSubject};
    for (CMailAddress& recipient : m_Recipients)
        texts.push_back(&recipient.m_strFriendlyName);
    std::string body = m_Body.GetText();
    texts.push_back(&body);

    std::vector<std::string> converted(texts.size());
    bool anyConverted = false;
    for (size_t i = 0; i < texts.size(); ++i) {
        switch (ToLatin1(*texts[i], converted[i])) {
        case Latin1Fit::TooWide:
            m_Body.m_strCharset = "utf-8";
            return;
        case Latin1Fit::NotUtf8:
            converted[i] = *texts[i];
            break;
        case Latin1Fit::Fits:
            anyConverted = anyConverted || converted[i] != *texts[i];
            break;
        }
    }
    if (!anyConverted)
        return;
    for (size_t i = 0; i < texts.size(); ++i)
        *texts[i] = std::move(converted[i]);
    // Converting leaves line ends and leading dots alone, so the body stays ready for sending.
    m_Body.ReplacePreparedText(std::move(body));
}
