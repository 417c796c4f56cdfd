#include "platform/HtmlScanner.h"

#include <gumbo.h>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = Lower(c);
    return lower;
}

bool OneOf(const std::string& name, std::initializer_list<std::string_view> names)
{
    for (std::string_view candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

// Elements whose contents are text up to their own end tag.
bool HasRawText(const std::string& name)
{
    return OneOf(name, {"script", "style", "xmp", "iframe", "noembed", "noframes", "title", "textarea", "plaintext"});
}

// HTML elements that end an SVG or MathML drawing left open.
bool BreaksOutOfForeignContent(const std::string& name)
{
    return OneOf(name,
                 {"b",     "big",   "blockquote", "body",   "br",   "center", "code",  "dd", "div",  "dl",   "dt",
                  "em",    "embed", "h1",         "h2",     "h3",   "h4",     "h5",    "h6", "head", "hr",   "i",
                  "img",   "li",    "listing",    "menu",   "meta", "nobr",   "ol",    "p",  "pre",  "ruby", "s",
                  "small", "span",  "strong",     "strike", "sub",  "sup",    "table", "tt", "u",    "ul",   "var"});
}

// A '<' that opens a tag, an end tag, a comment or a declaration; any other is text.
bool StartsMarkup(std::string_view html, size_t at)
{
    if (at + 1 >= html.size())
        return false;
    const char c = html[at + 1];
    return IsAlpha(c) || c == '!' || c == '?' || c == '/';
}

// Entity decoding is left to gumbo, on snippets without nesting so that its tree stays flat.
struct ParsedSnippet
{
    GumboOutput* output;
    explicit ParsedSnippet(const std::string& snippet)
    {
        GumboOptions options = kGumboDefaultOptions;
        options.max_errors = 0;
        output = gumbo_parse_with_options(&options, snippet.data(), snippet.size());
    }
    ~ParsedSnippet()
    {
        if (output)
            gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    ParsedSnippet(const ParsedSnippet&) = delete;
    ParsedSnippet& operator=(const ParsedSnippet&) = delete;

    const GumboElement* Find(GumboTag tag) const
    {
        if (!output)
            return nullptr;
        std::vector<const GumboNode*> pending{output->root};
        while (!pending.empty()) {
            const GumboNode* node = pending.back();
            pending.pop_back();
            if (node->type != GUMBO_NODE_ELEMENT)
                continue;
            if (node->v.element.tag == tag)
                return &node->v.element;
            for (unsigned i = 0; i < node->v.element.children.length; ++i)
                pending.push_back(static_cast<const GumboNode*>(node->v.element.children.data[i]));
        }
        return nullptr;
    }
};

// A run of text without '<': read as a title's contents, which decodes entities as any text does.
void AppendDecodedChunk(std::string_view chunk, std::string& out)
{
    if (chunk.find('&') == std::string_view::npos) {
        out += chunk;
        return;
    }
    const ParsedSnippet parsed("<title>" + std::string(chunk));
    if (const GumboElement* title = parsed.Find(GUMBO_TAG_TITLE)) {
        for (unsigned i = 0; i < title->children.length; ++i) {
            const auto* node = static_cast<const GumboNode*>(title->children.data[i]);
            if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE)
                out += node->v.text.text;
        }
    }
}

std::string DecodeAttribute(std::string_view raw)
{
    if (raw.find('&') == std::string_view::npos)
        return std::string(raw);
    std::string snippet = "<a v=\"";
    for (char c : raw) {
        if (c == '"')
            snippet += "&quot;";
        else
            snippet += c;
    }
    snippet += "\">";
    const ParsedSnippet parsed(snippet);
    const GumboElement* anchor = parsed.Find(GUMBO_TAG_A);
    const GumboAttribute* value = anchor ? gumbo_get_attribute(&anchor->attributes, "v") : nullptr;
    return value ? value->value : std::string(raw);
}

} // namespace

CHtmlScanner::CHtmlScanner(std::string_view html)
    : m_html(html)
{ }

CHtmlScanner::Token CHtmlScanner::Next()
{
    const size_t size = m_html.size();
    if (!m_pendingRawText.empty()) {
        m_rawTextOf = std::move(m_pendingRawText);
        m_pendingRawText.clear();
        size_t end = size;
        if (m_rawTextOf != "plaintext") {
            for (size_t at = m_html.find("</", m_pos); at != std::string_view::npos; at = m_html.find("</", at + 2)) {
                size_t i = 0;
                while (i < m_rawTextOf.size() && at + 2 + i < size && Lower(m_html[at + 2 + i]) == m_rawTextOf[i])
                    ++i;
                const size_t after = at + 2 + i;
                if (i == m_rawTextOf.size()
                    && (after >= size || IsSpace(m_html[after]) || m_html[after] == '/' || m_html[after] == '>')) {
                    end = at;
                    break;
                }
            }
        }
        m_text = m_html.substr(m_pos, end - m_pos);
        m_pos = end;
        if (!m_text.empty())
            return Token::Text;
    }
    for (;;) {
        if (m_pos >= size)
            return Token::End;
        size_t at = m_pos;
        while ((at = m_html.find('<', at)) != std::string_view::npos && !StartsMarkup(m_html, at))
            ++at;
        if (at == std::string_view::npos)
            at = size;
        if (at > m_pos) {
            m_text = m_html.substr(m_pos, at - m_pos);
            m_rawTextOf.clear();
            m_pos = at;
            return Token::Text;
        }
        const char c = m_html[at + 1];
        if (c == '!' || c == '?' || (c == '/' && !(at + 2 < size && IsAlpha(m_html[at + 2])))) {
            SkipComment(at);
            continue;
        }
        if (!ReadTag(at)) {
            // A tag cut off by the end of the text is dropped, as browsers do.
            m_pos = size;
            return Token::End;
        }
        return c == '/' ? Token::EndTag : Token::StartTag;
    }
}

void CHtmlScanner::SkipComment(size_t at)
{
    size_t end = std::string_view::npos;
    size_t length = 1;
    if (m_html.substr(at, 4) == "<!--") {
        if (m_html.substr(at + 4, 1) == ">")
            end = at + 4;
        else if (m_html.substr(at + 4, 2) == "->")
            end = at + 5;
        else {
            end = m_html.find("-->", at + 4);
            length = 3;
        }
    } else {
        end = m_html.find('>', at + 2);
    }
    m_pos = end == std::string_view::npos ? m_html.size() : end + length;
}

bool CHtmlScanner::ReadTag(size_t at)
{
    const size_t size = m_html.size();
    const bool end = m_html[at + 1] == '/';
    size_t i = at + (end ? 2 : 1);
    const size_t nameStart = i;
    while (i < size && !IsSpace(m_html[i]) && m_html[i] != '/' && m_html[i] != '>')
        ++i;
    m_tagName = LowerCase(m_html.substr(nameStart, i - nameStart));
    m_selfClosing = false;
    m_attributes.clear();
    for (;;) {
        while (i < size && IsSpace(m_html[i]))
            ++i;
        if (i >= size)
            return false;
        if (m_html[i] == '>') {
            ++i;
            break;
        }
        if (m_html[i] == '/') {
            if (i + 1 < size && m_html[i + 1] == '>') {
                m_selfClosing = true;
                i += 2;
                break;
            }
            ++i;
            continue;
        }
        const size_t attributeStart = i++;
        while (i < size && !IsSpace(m_html[i]) && m_html[i] != '/' && m_html[i] != '>' && m_html[i] != '=')
            ++i;
        std::string name = LowerCase(m_html.substr(attributeStart, i - attributeStart));
        while (i < size && IsSpace(m_html[i]))
            ++i;
        std::string_view value;
        if (i < size && m_html[i] == '=') {
            ++i;
            while (i < size && IsSpace(m_html[i]))
                ++i;
            if (i >= size)
                return false;
            const char quote = m_html[i];
            if (quote == '"' || quote == '\'') {
                const size_t close = m_html.find(quote, i + 1);
                if (close == std::string_view::npos)
                    return false;
                value = m_html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const size_t valueStart = i;
                while (i < size && !IsSpace(m_html[i]) && m_html[i] != '>')
                    ++i;
                value = m_html.substr(valueStart, i - valueStart);
            }
        }
        if (!end)
            m_attributes.emplace_back(std::move(name), value);
    }
    m_pos = i;
    TrackNesting(end);
    return true;
}

void CHtmlScanner::TrackNesting(bool end)
{
    if (m_tagName == "svg" || m_tagName == "math") {
        if (end && m_foreignDepth > 0)
            --m_foreignDepth;
        else if (!end && !m_selfClosing)
            ++m_foreignDepth;
        return;
    }
    if (m_foreignDepth > 0) {
        if (!end && BreaksOutOfForeignContent(m_tagName))
            m_foreignDepth = 0;
        else
            return;
    }
    if (m_tagName == "template") {
        if (!end)
            ++m_templateDepth;
        else if (m_templateDepth > 0)
            --m_templateDepth;
    } else if (!end && HasRawText(m_tagName)) {
        m_pendingRawText = m_tagName;
    }
}

bool CHtmlScanner::Attribute(std::string_view name, std::string& value) const
{
    for (const auto& [attributeName, raw] : m_attributes) {
        if (attributeName == name) {
            value = DecodeAttribute(raw);
            return true;
        }
    }
    return false;
}

std::string CHtmlScanner::DecodeText(std::string_view raw)
{
    std::string decoded;
    for (size_t start = 0;;) {
        const size_t lt = raw.find('<', start);
        AppendDecodedChunk(raw.substr(start, lt == std::string_view::npos ? std::string_view::npos : lt - start),
                           decoded);
        if (lt == std::string_view::npos)
            return decoded;
        decoded += '<';
        start = lt + 1;
    }
}

std::string CHtmlScanner::FoldSpace(std::string_view text)
{
    std::string folded;
    bool space = false;
    for (char c : text) {
        if (IsSpace(c)) {
            space = !folded.empty();
            continue;
        }
        if (space)
            folded += ' ';
        space = false;
        folded += c;
    }
    return folded;
}
