#include "notify/MailAddress.h"

#include "platform/Utf8.h"

#include <strings.h>

#include <algorithm>

namespace {

constexpr size_t kEncodedPieceLength = 70;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsUtf8(const std::string& charset)
{
    return strcasecmp(charset.c_str(), "utf-8") == 0;
}

std::string EncodeWord(std::string_view piece, const std::string& charset)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "=?" + charset + "?q?";
    for (const char c : piece) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            out += '_';
        } else if (c == '=' || c == '?' || c == '_' || byte >= 128) {
            out += '=';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    out += "?=";
    return out;
}

} // namespace

CMailAddress::CMailAddress(std::string name, std::string address)
    : m_strFriendlyName(std::move(name))
    , m_strEmailAddress(std::move(address))
{ }

CMailAddress CMailAddress::ParseAddress(std::string_view text)
{
    const std::string trimmed = TrimWhiteSpace(text);
    const size_t open = trimmed.find('<');
    const size_t close = trimmed.find('>');
    if (open == std::string::npos || close == std::string::npos || close < open + 2)
        return CMailAddress({}, trimmed);
    return CMailAddress(TrimWhiteSpace(std::string_view(trimmed).substr(0, open)),
                        trimmed.substr(open + 1, close - open - 1));
}

std::string CMailAddress::FormatForHeader(const std::string& charset) const
{
    if (m_strFriendlyName.empty())
        return m_strEmailAddress;
    return EncodeHeaderText(m_strFriendlyName, charset) + " <" + m_strEmailAddress + ">";
}

bool CMailAddress::HasLineBreak() const
{
    return ::HasLineBreak(m_strFriendlyName) || ::HasLineBreak(m_strEmailAddress);
}

std::string TrimWhiteSpace(std::string_view text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string EncodeHeaderText(std::string_view text, const std::string& charset)
{
    const bool utf8 = IsUtf8(charset);
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = std::min(kEncodedPieceLength, text.size() - pos);
        // An encoded word must hold whole characters; back off to the start of a UTF-8 sequence.
        if (utf8) {
            const size_t cut = Utf8CutLength(text.substr(pos), length);
            if (cut > 0)
                length = cut;
        }
        const std::string_view piece = text.substr(pos, length);
        bool plain = true;
        for (const char c : piece) {
            if (static_cast<unsigned char>(c) >= 128) {
                plain = false;
                break;
            }
        }
        out += plain ? std::string(piece) : EncodeWord(piece, charset);
        pos += length;
    }
    return out;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}
