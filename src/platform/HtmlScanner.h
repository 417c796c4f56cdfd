#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Reads an HTML text as a flat run of tags and text, in one pass and without building a tree, so
// that any input, however deeply nested, costs time and memory in proportion to its length. It keeps
// what a title and link reader needs of the tree: comments are skipped, script, style and title
// contents are read as text, and it knows whether a token stands inside SVG or MathML or inside a
// template. Nothing in the text runs or is fetched.
class CHtmlScanner
{
public:
    enum class Token
    {
        Text,
        StartTag,
        EndTag,
        End,
    };

    explicit CHtmlScanner(std::string_view html);

    Token Next();

    // Of a tag: the name in lower case, its attributes as written (names in lower case).
    const std::string& TagName() const { return m_tagName; }
    // The first attribute of that name, entities decoded; false when the tag has none.
    bool Attribute(std::string_view name, std::string& value) const;
    // Of a text: the text as written, and the element whose raw contents it is ("script", "title";
    // empty for ordinary text).
    std::string_view RawText() const { return m_text; }
    const std::string& RawTextOf() const { return m_rawTextOf; }
    // The text with its entities decoded.
    std::string DecodedText() const { return DecodeText(m_text); }

    // Whether the current token stands inside an SVG or MathML drawing, or inside a template.
    bool InForeignContent() const { return m_foreignDepth > 0; }
    bool InTemplate() const { return m_templateDepth > 0; }

    static std::string DecodeText(std::string_view raw);
    // White space runs folded to single spaces, and trimmed.
    static std::string FoldSpace(std::string_view text);

private:
    bool ReadTag(size_t at);
    void SkipComment(size_t at);
    void ReadAttributes();
    void TrackNesting(bool end);

    std::string_view m_html;
    size_t m_pos = 0;
    std::string m_tagName;
    bool m_selfClosing = false;
    std::vector<std::pair<std::string, std::string_view>> m_attributes;
    std::string_view m_text;
    std::string m_rawTextOf;
    // The element whose contents come next as raw text, set by its start tag.
    std::string m_pendingRawText;
    int m_foreignDepth = 0;
    int m_templateDepth = 0;
};
