#pragma once

#include <string>
#include <string_view>

// The plain-text body of a message, held ready for sending: CR LF line ends and dot-stuffed.
class CMailBodyPart
{
public:
    // Normalises every line end to CR LF, doubles a leading '.' on every line (so the end-of-data
    // marker cannot occur inside the body) and sets the content type to "text/plain".
    void AssignText(std::string_view text);
    const std::string& GetText() const { return m_strText; }
    // Takes text that is already in sending form (a re-encoded copy of GetText()).
    void ReplacePreparedText(std::string text) { m_strText = std::move(text); }

    std::string m_strContentType = "text/plain";
    std::string m_strCharset = "iso-8859-1";

private:
    std::string m_strText;
};
