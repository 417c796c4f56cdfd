#include "platform/HtmlTitle.h"
#include "check/PageCheck.h"
#include "model/UrlRecord.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

struct TitleCase
{
    const char* name;
    const char* html;
    const char* title;
};

class HtmlTitle : public ::testing::TestWithParam<TitleCase>
{
};

TEST_P(HtmlTitle, Extract)
{
    EXPECT_EQ(ExtractHtmlTitle(GetParam().html), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HtmlTitle,
    ::testing::Values(
        TitleCase{"Plain", "<html><head><title>Daily News</title></head><body>x</body></html>", "Daily News"},
        TitleCase{"None", "<html><body><h1>No title</h1></body></html>", ""}, TitleCase{"Empty", "", ""},
        TitleCase{"Fragment", "<title>Just this", "Just this"},
        TitleCase{"UpperCase", "<HTML><HEAD><TITLE>Shop</TITLE></HEAD></HTML>", "Shop"},
        TitleCase{"MixedCaseAtTheEnd", "<p>x</p><TiTlE>Tail", "Tail"},
        TitleCase{"TitleLikeTagIsNot", "<titles>Not one</titles><titl", ""},
        TitleCase{"LastOneWins", "<title>One</title><body><title>Two</title></body>", "Two"},
        TitleCase{"LastThatYieldsText", "<title>One</title><title>  </title><title></title>", "One"},
        TitleCase{"EntitiesDecoded", "<title>Fish &amp; Chips &lt;3 &eacute;</title>", "Fish & Chips <3 \xC3\xA9"},
        TitleCase{"TagsAreText", "<title>a <b>bold</b> claim</title>", "a <b>bold</b> claim"},
        TitleCase{"SpacesFolded", "<title>\n   Two\t\tWords \r\n</title>", "Two Words"},
        TitleCase{"ScriptIsNotRun", "<title>Static</title><script>document.title = 'Dynamic';</script>", "Static"},
        TitleCase{"TitleInScriptIsText", "<title>Real</title><script>var s = '<title>Fake</title>';</script>", "Real"},
        TitleCase{"SvgTitleIgnored", "<title>Page</title><body><svg><title>Icon</title></svg></body>", "Page"},
        TitleCase{"TemplateIgnored", "<title>Page</title><template><title>Inert</title></template>", "Page"},
        TitleCase{"CommentIgnored", "<title>Page</title><!-- <title>Old</title> -->", "Page"},
        TitleCase{"Utf8Kept", "<title>Caf\xC3\xA9 \xE2\x82\xAC</title>", "Caf\xC3\xA9 \xE2\x82\xAC"}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST(HtmlTitleLimits, DeeplyNestedPageNeitherExhaustsTheStackNorTheMemory)
{
    // 20,000 levels once took the parser 3 GB.
    std::string html = "<title>Deep</title><body>";
    for (int i = 0; i < 20000; ++i)
        html += "<div>";
    html += "<title>Deeper</title>";
    EXPECT_EQ(ExtractHtmlTitle(html), "Deeper");
}

TEST(HtmlTitleLimits, HostileNestingEndsQuickly)
{
    // 100,000 nested tables crashed the tree's clean-up; 80,000 divs took seconds.
    for (const char* piece : {"<table><tr><td>", "<div>", "<svg>", "<template>", "<!--x--><p>"}) {
        std::string html = "<title>First</title>";
        for (int i = 0; i < 100000; ++i)
            html += piece;
        EXPECT_EQ(ExtractHtmlTitle(html), "First") << piece;
    }
}

TEST(HtmlTitleLimits, PageTitleComesFromThePageText)
{
    EXPECT_EQ(GetPageTitle(""), "");
    EXPECT_EQ(GetPageTitle("<head><title>Prices</title></head>"), "Prices");
}
