#include "extract/MetaCharset.h"

#include "extract/Charset.h"

#include <cctype>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix)
{
    if (text.size() - pos < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[pos + i])) != prefix[i])
            return false;
    return true;
}

// Reads one attribute at pos inside a tag; false at the tag's end. pos ends after the attribute.
bool NextAttribute(std::string_view text, std::size_t& pos, std::string& name, std::string& value)
{
    while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == '/'))
        ++pos;
    if (pos >= text.size() || text[pos] == '>')
        return false;
    const std::size_t nameStart = pos;
    while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '=' && text[pos] != '>' && text[pos] != '/')
        ++pos;
    name = Lower(text.substr(nameStart, pos - nameStart));
    value.clear();
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return true;
    ++pos;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        const char quote = text[pos++];
        const std::size_t end = text.find(quote, pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        value = text.substr(pos, stop - pos);
        pos = stop == text.size() ? stop : stop + 1;
        return true;
    }
    const std::size_t valueStart = pos;
    while (pos < text.size() && !IsSpace(text[pos]) && text[pos] != '>')
        ++pos;
    value = text.substr(valueStart, pos - valueStart);
    return true;
}

} // namespace

std::string DeclaredMetaCharset(std::string_view body)
{
    const std::string_view text = body.substr(0, kMetaScanBytes);
    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (text.compare(pos, 4, "<!--") == 0) {
            const std::size_t end = text.find("-->", pos + 4);
            if (end == std::string_view::npos)
                return {};
            pos = end + 3;
            continue;
        }
        if (StartsWithNoCase(text, pos, "<meta") && pos + 5 < text.size()
            && (IsSpace(text[pos + 5]) || text[pos + 5] == '/')) {
            pos += 5;
            std::string name, value, charset, httpEquiv, content;
            while (NextAttribute(text, pos, name, value)) {
                if (name == "charset" && charset.empty())
                    charset = value;
                else if (name == "http-equiv")
                    httpEquiv = Lower(value);
                else if (name == "content")
                    content = value;
            }
            if (!charset.empty())
                return charset;
            if (httpEquiv == "content-type") {
                if (std::string fromContent = CharsetParameter(content); !fromContent.empty())
                    return fromContent;
            }
            continue;
        }
        const std::size_t end = text.find('>', pos + 1);
        if (end == std::string_view::npos)
            return {};
        pos = end + 1;
    }
    return {};
}
