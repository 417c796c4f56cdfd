#pragma once

#include <string>
#include <string_view>

// The plain-text body of a message, held ready for sending: CR LF line ends and dot-stuffed, and
// quoted-printable once EncodeQuotedPrintable has been asked for.
class CMailBodyPart
{
public:
    // SMTP's limit on a line, without its CR LF.
    static constexpr std::size_t kMaxLineLength = 998;

    // Normalises every line end to CR LF, doubles a leading '.' on every line (so the end-of-data
    // marker cannot occur inside the body) and sets the content type to "text/plain".
    void AssignText(std::string_view text);
    // The text in sending form.
    const std::string& GetText() const { return m_strText; }
    // The text with CR LF line ends, neither stuffed nor encoded.
    const std::string& GetPlainText() const { return m_strPlain; }
    // The sending form before dot-stuffing, for a client that stuffs by itself.
    const std::string& GetUnstuffedText() const { return m_strEncoded; }

    // Whether the text can go out as it is: ASCII only, no line over kMaxLineLength.
    bool IsPlainAsciiOfShortLines() const;
    // Sends the text quoted-printable from now on; m_strTransferEncoding says so.
    void EncodeQuotedPrintable();

    std::string m_strContentType = "text/plain";
    std::string m_strCharset = "iso-8859-1";
    // Empty for text sent as it is.
    std::string m_strTransferEncoding;

private:
    std::string m_strPlain;
    std::string m_strEncoded; // m_strPlain, or its quoted-printable form
    std::string m_strText;
};
