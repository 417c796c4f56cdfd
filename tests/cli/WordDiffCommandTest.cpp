#include "HttpTestServer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "diff/WordDiff.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string Cli(const std::vector<std::string>& args, int expected = kExitOk)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(args, out, err), expected) << err.str();
    return out.str();
}

} // namespace

// Two checks of a page, then its compared texts side by side with the changed words marked.
TEST(WordDiffCommand, MarksTheChangedWordsOfTheComparedText)
{
    CIsolatedSettings settings;
    CHttpTestServer server;
    const std::string before = "<h1>Bike</h1><p>Price: 100 EUR</p><p>a</p><p>b</p><p>c</p><p>d</p><p>e</p>";
    server.SetPage("/p", "<script>x=1</script>" + before);
    Cli({"add", server.Url("/p"), "--name", "P", "--watch", "content"});
    Cli({"check"});
    server.SetPage("/p", "<h1>Bike</h1><p>Price: 90 EUR</p><p>a</p><p>b</p><p>c</p><p>d</p><p>e</p><p>Bell</p>");
    Cli({"check"});

    const std::string base = settings.StorageDir() + "savedPages/1";
    EXPECT_EQ(Cli({"diff", "P", "--words"}),
              "--- " + base + "_previous.html\n+++ " + base
                  + ".html\n@@ -1,7 +1,8 @@\n Bike\n-Price: [-100-] EUR\n"
                    "+Price: {+90+} EUR\n a\n b\n c\n d\n e\n+{+Bell+}\n");
    // --text keeps the line diff of the copies themselves.
    EXPECT_NE(Cli({"diff", "P", "--text"}).find("<script>"), std::string::npos);
    Cli({"diff", "P", "--text", "--words"}, kExitUsage);
}

TEST(WordDiffCommand, DesktopViewIsEscapedPlainText)
{
    const std::string html = WordDiffHtml("<b>old</b> & more\n", "<script>new</script> & more\n", "A <page>");
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("<del>old</del>"), std::string::npos) << html;
    EXPECT_NE(html.find("<ins>script</ins>"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;page&gt;"), std::string::npos);
}

TEST(WordDiffCommand, HunksKeepThreeLinesOfContext)
{
    std::ostringstream out;
    ASSERT_TRUE(WriteWordDiff(out, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\nx y\n", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\nx z\n",
                              "a", "b"));
    EXPECT_EQ(out.str(),
              "--- a\n+++ b\n@@ -1,3 +1,4 @@\n+{+0+}\n 1\n 2\n 3\n@@ -8,4 +9,4 @@\n 8\n 9\n 10\n"
              "-x [-y-]\n+x {+z+}\n");
}
