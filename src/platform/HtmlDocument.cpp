#include "platform/HtmlDocument.h"

#include <gumbo.h>

#include <vector>

struct CHtmlDocument::Output
{
    GumboOptions options = kGumboDefaultOptions;
    GumboOutput* parsed = nullptr;
};

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

void PushChildren(std::vector<const GumboNode*>& pending, const GumboVector& children)
{
    for (unsigned i = children.length; i > 0; --i)
        pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
}

} // namespace

CHtmlDocument::CHtmlDocument(std::string_view html)
    : m_output(new Output)
{
    // Gumbo keeps a copy of the open elements with every parse error it records, which takes memory
    // that grows with the square of the nesting depth; the errors are of no use here.
    m_output->options.max_errors = 0;
    m_output->parsed = gumbo_parse_with_options(&m_output->options, html.data(), html.size());
}

CHtmlDocument::~CHtmlDocument()
{
    if (m_output->parsed)
        gumbo_destroy_output(&m_output->options, m_output->parsed);
    delete m_output;
}

void CHtmlDocument::ForEachHtmlElement(const std::function<bool(const GumboNode* element)>& visit,
                                       std::string_view tagName) const
{
    if (!m_output->parsed)
        return;
    const GumboTag tag = gumbo_tagn_enum(tagName.data(), static_cast<unsigned>(tagName.size()));
    std::vector<const GumboNode*> pending{m_output->parsed->root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        // Template contents are inert and not part of the document's elements.
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboElement& element = node->v.element;
        // Only HTML elements: an SVG drawing's <title> or <a> is not the page's.
        if (element.tag == tag && element.tag_namespace == GUMBO_NAMESPACE_HTML && !visit(node))
            continue;
        PushChildren(pending, element.children);
    }
}

std::string CHtmlDocument::VisibleText(const GumboNode* element)
{
    std::string raw;
    std::vector<const GumboNode*> pending;
    PushChildren(pending, element->v.element.children);
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
            raw += node->v.text.text;
        } else if (node->type == GUMBO_NODE_ELEMENT) {
            const GumboTag tag = node->v.element.tag;
            // Script and style text is never shown.
            if (tag != GUMBO_TAG_SCRIPT && tag != GUMBO_TAG_STYLE)
                PushChildren(pending, node->v.element.children);
        }
    }
    std::string folded;
    bool space = false;
    for (char c : raw) {
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

const char* CHtmlDocument::Attribute(const GumboNode* element, const char* name)
{
    const GumboAttribute* attribute = gumbo_get_attribute(&element->v.element.attributes, name);
    return attribute ? attribute->value : nullptr;
}
