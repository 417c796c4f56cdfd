#pragma once

#include <string>
#include <string_view>

// One mailbox: an optional display name and the e-mail address.
class CMailAddress
{
public:
    CMailAddress() = default;
    CMailAddress(std::string name, std::string address);

    // "Name <address>" or a bare address. The text is trimmed; only a '<' at least two characters
    // before the first '>' makes a bracketed address, anything after the '>' is dropped.
    static CMailAddress ParseAddress(std::string_view text);
    // The address alone, or the encoded display name, a space and the address in angle brackets.
    std::string FormatForHeader(const std::string& charset) const;
    // True when the name or the address holds a CR or LF.
    bool HasLineBreak() const;

    std::string m_strFriendlyName;
    std::string m_strEmailAddress;
};

// Trims spaces, tabs and line ends at both ends.
std::string TrimWhiteSpace(std::string_view text);
// Header text in pieces of 70 bytes; a piece holding a byte of 128 or more becomes an encoded word
// ("=?charset?q?...?="). With the utf-8 character set a piece never splits a character.
std::string EncodeHeaderText(std::string_view text, const std::string& charset);
bool HasLineBreak(std::string_view text);
