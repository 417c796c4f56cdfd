#pragma once

#include <functional>
#include <string>
#include <string_view>

struct GumboInternalNode;

// A parsed HTML text (gumbo), for reading elements and their text. Nothing in it runs or is fetched.
// Parsing keeps no error list and every walk uses a stack of its own, so deeply nested input costs
// neither memory growing with the square of its depth nor the thread's stack.
class CHtmlDocument
{
public:
    explicit CHtmlDocument(std::string_view html);
    ~CHtmlDocument();
    CHtmlDocument(const CHtmlDocument&) = delete;
    CHtmlDocument& operator=(const CHtmlDocument&) = delete;

    // Calls visit for each HTML element with the tag name (lower case), in document order. Elements of
    // other namespaces (SVG, MathML) are walked through but not visited; template contents are skipped.
    // When visit returns false, the element's children are not walked.
    void ForEachHtmlElement(const std::function<bool(const GumboInternalNode* element)>& visit,
                            std::string_view tagName) const;

    // The element's text content as a browser shows it on one line: script and style text left out,
    // white space runs folded to single spaces and trimmed.
    static std::string VisibleText(const GumboInternalNode* element);
    // The value of an attribute, or null when the element does not have it.
    static const char* Attribute(const GumboInternalNode* element, const char* name);

private:
    struct Output;
    Output* m_output;
};
