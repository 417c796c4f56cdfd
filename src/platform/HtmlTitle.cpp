#include "platform/HtmlTitle.h"

#include <gumbo.h>

#include <vector>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Text of the title's descendants, white space folded as a browser shows a title.
std::string TitleText(const GumboNode* title)
{
    std::string raw;
    std::vector<const GumboNode*> pending{title};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
            raw += node->v.text.text;
        } else if (node->type == GUMBO_NODE_ELEMENT) {
            const GumboVector& children = node->v.element.children;
            for (unsigned i = children.length; i > 0; --i)
                pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
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

bool MayHoldTitle(std::string_view html)
{
    constexpr std::string_view kTag = "<title";
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        if (html.size() - at < kTag.size())
            return false;
        size_t i = 1;
        while (i < kTag.size() && (html[at + i] | 0x20) == kTag[i])
            ++i;
        if (i == kTag.size())
            return true;
    }
    return false;
}

} // namespace

std::string ExtractHtmlTitle(std::string_view html)
{
    // Most of the parser's work is building the tree; a page without the tag needs none of it.
    if (!MayHoldTitle(html))
        return {};
    GumboOptions options = kGumboDefaultOptions;
    // Gumbo keeps a copy of the open elements with every parse error it records, which takes memory
    // that grows with the square of the nesting depth; the errors are of no use here.
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
    if (!output)
        return {};

    std::string title;
    // Walked with a stack of our own: a page of deeply nested tags must not exhaust the thread's stack.
    std::vector<const GumboNode*> pending{output->root};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        // Template contents are inert and not part of the document's elements.
        if (node->type != GUMBO_NODE_ELEMENT)
            continue;
        const GumboElement& element = node->v.element;
        // Only HTML titles: an SVG drawing's <title> names the drawing, not the page.
        if (element.tag == GUMBO_TAG_TITLE && element.tag_namespace == GUMBO_NAMESPACE_HTML) {
            std::string text = TitleText(node);
            if (!text.empty())
                title = std::move(text);
            continue;
        }
        for (unsigned i = element.children.length; i > 0; --i)
            pending.push_back(static_cast<const GumboNode*>(element.children.data[i - 1]));
    }
    gumbo_destroy_output(&options, output);
    return title;
}
