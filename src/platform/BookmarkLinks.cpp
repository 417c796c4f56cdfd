#include "platform/BookmarkLinks.h"

#include <gumbo.h>

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

// The link's text as a browser shows it in one line: line breaks and indentation of the file folded.
std::string LinkText(const GumboNode* anchor)
{
    std::string raw;
    std::vector<const GumboNode*> pending;
    PushChildren(pending, anchor->v.element.children);
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

} // namespace

std::vector<BookmarkLink> ExtractBookmarkLinks(std::string_view html)
{
    std::vector<BookmarkLink> links;
    GumboOptions options = kGumboDefaultOptions;
    // Gumbo keeps a copy of the open elements with every parse error it records, which takes memory
    // that grows with the square of the nesting depth; the errors are of no use here.
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
    if (!output)
        return links;

    // Walked with a stack of our own: bookmark folders nest, and a file of deeply nested lists must
    // not exhaust the thread's stack.
    std::vector<const GumboNode*> pending{output->root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        // Template contents are inert and not part of the document's elements.
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboElement& element = node->v.element;
        // Only HTML anchors: an SVG drawing's <a> is no bookmark.
        if (element.tag == GUMBO_TAG_A && element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            if (const GumboAttribute* href = gumbo_get_attribute(&element.attributes, "href"))
                links.push_back({href->value, LinkText(node)});
        }
        PushChildren(pending, element.children);
    }
    gumbo_destroy_output(&options, output);
    return links;
}
