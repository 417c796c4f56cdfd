#include "platform/BookmarkLinks.h"

#include "platform/HtmlDocument.h"

std::vector<BookmarkLink> ExtractBookmarkLinks(std::string_view html)
{
    std::vector<BookmarkLink> links;
    // Bookmark folders nest; the document walks them without recursion.
    CHtmlDocument(html).ForEachHtmlElement(
        [&links](const GumboInternalNode* anchor) {
            if (const char* href = CHtmlDocument::Attribute(anchor, "href"))
                links.push_back({href, CHtmlDocument::VisibleText(anchor)});
            return true;
        },
        "a");
    return links;
}
