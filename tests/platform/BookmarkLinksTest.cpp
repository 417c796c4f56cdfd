#include "platform/BookmarkLinks.h"

#include <gtest/gtest.h>

namespace {

// As browsers export bookmarks: folders are nested DL lists, headings and descriptions may hold links
// of their own, tags are left unclosed.
constexpr const char* kBookmarks = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<TITLE>Bookmarks</TITLE>
<DL><p>
    <DT><H3>News <A HREF="http://heading.test/">in the heading</A></H3>
    <DL><p>
        <DT><A HREF="http://plain.test/a?x=1&amp;y=2" ADD_DATE="1">Plain
            one</A>
        <DT><A HREF="https://secure.test/">Secure</A>
        <DL><p><DT><A HREF="HTTP://CAPS.TEST/">Caps</A></DL><p>
    </DL><p>
    <DT><A NAME="top">No address</A>
    <DT><A HREF="javascript:alert(1)">Bookmarklet</A>
    <DD>See <a href="relative/page.html"> <b>the</b> page </a>
</DL>
<svg><a href="http://drawing.test/">drawing</a></svg>)html";

TEST(BookmarkLinks, EveryHtmlAnchorWithAnAddressInDocumentOrder)
{
    const std::vector<BookmarkLink> links = ExtractBookmarkLinks(kBookmarks);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"http://heading.test/", "in the heading"}, {"http://plain.test/a?x=1&y=2", "Plain one"},
        {"https://secure.test/", "Secure"},         {"HTTP://CAPS.TEST/", "Caps"},
        {"javascript:alert(1)", "Bookmarklet"},     {"relative/page.html", "the page"},
    };
    ASSERT_EQ(links.size(), expected.size());
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].href, expected[i].first) << i;
        EXPECT_EQ(links[i].text, expected[i].second) << i;
    }
}

} // namespace
