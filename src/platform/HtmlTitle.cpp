#include "platform/HtmlTitle.h"

#include "platform/HtmlDocument.h"

namespace {

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
    std::string title;
    CHtmlDocument(html).ForEachHtmlElement(
        [&title](const GumboInternalNode* element) {
            std::string text = CHtmlDocument::VisibleText(element);
            if (!text.empty())
                title = std::move(text);
            return false;
        },
        "title");
    return title;
}
