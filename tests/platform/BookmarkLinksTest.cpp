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

std::string Repeat(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

// Inputs that once crashed the reader or took it minutes; each must end quickly with its one link.
TEST(BookmarkLinks, HostileNestingIsReadFlat)
{
    for (const std::string& piece : {std::string("<table><tr><td>"), std::string("<div>"), std::string("<dl><p><dt>"),
                                     std::string("<b><i>"), std::string("<svg><math>")}) {
        const std::string html = "<a href=\"http://first.test/\">x</a>" + Repeat(piece, 100000) + "<a href=last>y";
        const std::vector<BookmarkLink> links = ExtractBookmarkLinks(html);
        ASSERT_FALSE(links.empty()) << piece;
        EXPECT_EQ(links.front().href, "http://first.test/") << piece;
    }
    const std::vector<BookmarkLink> unclosed = ExtractBookmarkLinks(Repeat("<a href='u'>&amp;", 50000));
    ASSERT_EQ(unclosed.size(), 50000u);
    EXPECT_EQ(unclosed.back().text, "&");
}

TEST(BookmarkLinks, QuotesEntitiesAndCutOffTags)
{
    const std::vector<BookmarkLink> links
        = ExtractBookmarkLinks("<a title='a\"b' href='x?a=1&amp;b=\"2\"'>one<script>no</script></a><!-- <a href=c> -->"
                               "<template><a href=t>t</a></template><A HREF=plain>two &lt;3</A><a href=\"cut");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].href, "x?a=1&b=\"2\"");
    EXPECT_EQ(links[0].text, "one");
    EXPECT_EQ(links[1].href, "plain");
    EXPECT_EQ(links[1].text, "two <3");
}

} // namespace
