#include "extract/Charset.h"
#include "extract/ComparedText.h"
#include "extract/CssSelector.h"
#include "extract/IgnoreRules.h"
#include "extract/XPathSelection.h"

#include <gtest/gtest.h>

namespace {

std::string Text(std::string_view html, const TextOptions& options = {}, std::string_view contentType = {})
{
    auto text = ComparedText(html, contentType, options);
    return text ? *text : "ERROR: " + text.error().message;
}

TEST(VisibleTextTest, DropsWhatNoReaderSeesAndLaysOutBlocks)
{
    const std::string page = "<html><head><title>T</title><style>p{}</style></head><body>"
                             "<script>var inStock = 1;</script><noscript>enable js</noscript>"
                             "<template><p>later</p></template><!-- note -->"
                             "<h1>Shop</h1><p>Price:\n  <b>19.99</b>&nbsp;&euro;<br>Tax &amp; VAT</p>"
                             "<div hidden>secret</div><table><tr><td>a</td><td>b</td></tr></table>"
                             "<pre>line 1\nline 2</pre>inline<span>joined</span></body></html>";
    EXPECT_EQ(Text(page), "Shop\nPrice: 19.99 \xE2\x82\xAC\nTax & VAT\na b\nline 1\nline 2\ninlinejoined\n");
}

TEST(VisibleTextTest, ConvertsTheDeclaredOrGuessedCharset)
{
    const struct
    {
        std::string body;
        std::string contentType;
        std::string expected;
    } cases[] = {
        {"<p>caf\xE9 \x80</p>", "", "caf\xC3\xA9 \xE2\x82\xAC\n"}, // undeclared, not UTF-8: windows-1252
        {"<p>caf\xC3\xA9</p>", "", "caf\xC3\xA9\n"}, // undeclared UTF-8
        {"<p>caf\xE9</p>", "text/html; charset=\"ISO-8859-1\"", "caf\xC3\xA9\n"},
        {"<meta charset=iso-8859-2><p>\xB1</p>", "", "\xC4\x85\n"}, // a-ogonek
        {"<meta http-equiv=Content-Type content='text/html; charset=koi8-r'><p>\xC1</p>", "", "\xD0\xB0\n"},
        {"\xEF\xBB\xBF<meta charset=windows-1252><p>\xC3\xA9</p>", "", "\xC3\xA9\n"}, // the BOM wins
        {std::string("\xFF\xFE<\0p\0>\0\xE9\0", 10), "", "\xC3\xA9\n"},
        {"<p>bad \xC3 byte</p>", "text/html; charset=utf-8", "bad \xEF\xBF\xBD byte\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.body, {}, c.contentType), c.expected) << c.body;
}

const char* const kShop = "<body><ul id='items'><li class='item new'>Apple</li><li class='item'>Pear</li>"
                          "<li class='item sale' data-sku='B-12'>Plum</li><li>Fig</li></ul>"
                          "<p id=price>12 EUR</p><p>tail</p><div><div class=box><p>nested</p></div></div></body>";

TEST(SelectionTest, CssSubsetSelectsTheSameAsBrowsers)
{
    const struct
    {
        const char* selector;
        const char* expected;
    } cases[] = {
        {"li", "Apple\nPear\nPlum\nFig\n"},
        {"#price", "12 EUR\n"},
        {".item.sale", "Plum\n"},
        {"ul > .new", "Apple\n"},
        {"li + li", "Pear\nPlum\nFig\n"},
        {".new ~ li:not(.item)", "Fig\n"},
        {"li:first-child, li:last-child", "Apple\nFig\n"},
        {"li:nth-child(2n+1)", "Apple\nPlum\n"},
        {"li:nth-child(even)", "Pear\nFig\n"},
        {"li:nth-child(-n+2)", "Apple\nPear\n"},
        {"li:nth-last-child(1)", "Fig\n"},
        {"[data-sku]", "Plum\n"},
        {"[data-sku^=B]", "Plum\n"},
        {"[data-sku$='-12']", "Plum\n"},
        {"[data-sku*=\"-1\"]", "Plum\n"},
        {"[class~=item]", "Apple\nPear\nPlum\n"},
        {"[CLASS='ITEM' i]", "Pear\n"},
        {"p:only-child", "nested\n"},
        {"div", "nested\n"}, // nested matches give their text once
        {"ul .sale", "Plum\n"},
        {"body div > p", "nested\n"},
        {"div div p, ul li.new", "Apple\nnested\n"},
        {"* > #price + p", "tail\n"},
        {"LI:Not([class])", "Fig\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(kShop, {.select = c.selector}), c.expected) << c.selector;
}

TEST(SelectionTest, XPathGivesNodesOrValues)
{
    EXPECT_EQ(Text(kShop, {.xpath = "//li[3]"}), "Plum\n");
    EXPECT_EQ(Text(kShop, {.xpath = "//li/@data-sku"}), "B-12\n");
    EXPECT_EQ(Text(kShop, {.xpath = "count(//li)"}), "4\n");
    EXPECT_EQ(Text("<script id=d>{\"price\": 3}</script>", {.xpath = "//script"}), "{\"price\": 3}\n");
}

TEST(SelectionTest, NothingSelectedIsItsOwnOutcome)
{
    for (const TextOptions& options :
         {TextOptions{.select = "#gone"}, TextOptions{.xpath = "//table"}, TextOptions{.xpath = "string(//title)"}}) {
        auto text = ComparedText(kShop, "", options);
        ASSERT_FALSE(text);
        EXPECT_EQ(text.error().kind, ErrorKind::NotFound);
        EXPECT_EQ(text.error().message, kSelectionNotFound);
    }
}

TEST(SelectionTest, RefusesBadSelectorsWithTheReason)
{
    const struct
    {
        TextOptions options;
        const char* reason;
    } cases[] = {
        {{.select = "li:hover"}, "Unsupported pseudo-class \":hover\" at character 3"},
        {{.select = "li,"}, "Expected a selector at character 4"},
        {{.select = "[a=\"x]"}, "Unterminated string"},
        {{.select = "a >> b"}, "Unexpected \">\""},
        {{.select = ":not(a b)"}, "takes one simple selector"},
        {{.select = "li:nth-child(2x)"}, "Expected an+b"},
        {{.select = "\\[x"}, "Unsupported element name"},
        {{.xpath = "//li["}, "of the XPath expression"},
        {{.xpath = "nosuch(//li)"}, "of the XPath expression"},
        {{.select = "a", .xpath = "//a"}, "not both"},
        {{.ignoreRegexes = {"a("}}, "missing closing parenthesis at character 3"},
        {{.ignoreTexts = {""}}, "empty"},
    };
    for (const auto& c : cases) {
        const Status status = ValidateTextOptions(c.options);
        ASSERT_FALSE(status) << c.reason;
        EXPECT_EQ(status.error().kind, ErrorKind::BadInput);
        EXPECT_NE(status.error().message.find(c.reason), std::string::npos) << status.error().message;
    }
    EXPECT_TRUE(ValidateTextOptions({.select = "ul#items > li.item:not(.new)", .ignoreRegexes = {"^\\d+ views$"}}));
}

TEST(IgnoreRulesTest, DropsLinesWithATextOrAMatch)
{
    const std::string page = "<p>Price 12</p><p>Updated 10:42</p><p>Visitors: 1234</p><p>Session abc</p>";
    EXPECT_EQ(Text(page, {.ignoreTexts = {"Session"}, .ignoreRegexes = {"^Updated \\d\\d:\\d\\d$", "\\u0056isitors"}}),
              "Price 12\n");
}

TEST(IgnoreRulesTest, CatastrophicBacktrackingIsStoppedAndReported)
{
    auto rules = CIgnoreRules::Make({}, {"^(a|aa)+$"});
    ASSERT_TRUE(rules);
    auto outcome = rules->Apply(std::string(64, 'a') + "b\n");
    ASSERT_FALSE(outcome);
    EXPECT_EQ(outcome.error().kind, ErrorKind::TimedOut);
    EXPECT_NE(outcome.error().message.find("backtracks"), std::string::npos);
}

} // namespace
