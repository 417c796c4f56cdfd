#include "HttpTestServer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct CliOutcome
{
    int status;
    std::string out;
    std::string err;
};

CliOutcome Cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

std::string Shop(const std::string& stamp, const std::string& price, const std::string& extra = {})
{
    return "<html><head><script>var t='" + stamp + "';</script></head><body><p>Updated " + stamp
        + "</p><div id=\"offer\"><h2>Bike</h2><p class=\"price\">" + price + "</p>" + extra
        + "</div><p>Visitors: " + stamp + "</p></body></html>";
}

// The last line a check printed for its changed pages; "" when nothing changed.
std::string Changed(const CliOutcome& run)
{
    const size_t at = run.out.find("Changed: ");
    return at == std::string::npos ? "" : run.out.substr(at, run.out.find('\n', at) - at);
}

class CompareOptions : public testing::Test
{
protected:
    CIsolatedSettings m_settings;
    CHttpTestServer m_server;
};

} // namespace

// A shop page whose timestamps change at every visit: its text, selection and ignore rules keep the
// noise out, a changed price gets through with the lines counted.
TEST_F(CompareOptions, TextSelectionAndIgnoreRulesEndToEnd)
{
    m_server.SetPage("/shop", Shop("10:01", "100 EUR"));
    ASSERT_EQ(Cli({"add", m_server.Url("/shop"), "--name", "Shop", "--watch", "content", "--ignore", "Updated",
                   "--ignore-re", "^Visitors: \\d"})
                  .status,
              kExitOk);
    ASSERT_EQ(
        Cli({"add", m_server.Url("/shop"), "--name", "Offer", "--watch", "content", "--select", "#offer > p.price"})
            .status,
        kExitOk);
    ASSERT_EQ(Cli({"add", m_server.Url("/shop"), "--name", "Raw", "--watch", "content", "--compare", "page"}).status,
              kExitOk);
    ASSERT_EQ(Cli({"check"}).status, kExitOk);

    m_server.SetPage("/shop", Shop("10:02", "100 EUR"));
    CliOutcome quiet = Cli({"check"});
    EXPECT_EQ(Changed(quiet), "Changed: @3 Raw (" + m_server.Url("/shop") + "): Checksum changed") << quiet.out;

    m_server.SetPage("/shop", Shop("10:03", "90 EUR"));
    CliOutcome priced = Cli({"check", "Shop", "Offer"});
    EXPECT_NE(priced.out.find("@1 Shop (" + m_server.Url("/shop") + "): Text changed: 1 line added, 1 removed"),
              std::string::npos)
        << priced.out;
    EXPECT_NE(priced.out.find("@2 Offer"), std::string::npos) << priced.out;

    // Only added lines count for this page: a line that goes is no change.
    ASSERT_EQ(Cli({"edit", "Shop", "--trigger", "added"}).status, kExitOk);
    m_server.SetPage("/shop", Shop("10:04", "90 EUR", "<p>Free bell</p>"));
    EXPECT_NE(Changed(Cli({"check", "Shop"})).find("Text changed: 1 line added"), std::string::npos);
    m_server.SetPage("/shop", Shop("10:05", "90 EUR"));
    EXPECT_EQ(Changed(Cli({"check", "Shop"})), "");

    // A selection that matches nothing is its own outcome, not an empty page.
    ASSERT_EQ(Cli({"edit", "Offer", "--select", "#gone"}).status, kExitOk);
    EXPECT_NE(Changed(Cli({"check", "Offer"})).find("Selection not found"), std::string::npos);

    // The page's options: in show and list --json, and used by preview.
    const CliOutcome shown = Cli({"show", "Shop"});
    EXPECT_NE(shown.out.find("Ignore regex:"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\"^Visitors: \\d\""), std::string::npos) << shown.out;
    const CliOutcome listed = Cli({"list", "--json"});
    for (const char* key : {"\"compare\": \"text\"", "\"select\": \"#gone\"", "\"xpath\": \"\"",
                            "\"ignore\": [\"Updated\"]", "\"ignoreRegex\": [\"^Visitors: \\\\d\"]",
                            "\"trigger\": \"added\"", "\"announce\": \"change\"", "\"compare\": \"page\""})
        EXPECT_NE(listed.out.find(key), std::string::npos) << key << "\n" << listed.out;
    EXPECT_EQ(Cli({"preview", "Shop"}).out, "Bike\n90 EUR\n");
    EXPECT_EQ(Cli({"preview", "Shop", "--select", "h2"}).out, "Bike\n");

    // The settings' ignore rules apply to every page compared by its text.
    CVigilPrefs::GetInstance().WriteString(Pref::ignoreTexts.name, "Bike\n");
    EXPECT_EQ(Cli({"preview", "Shop"}).out, "90 EUR\n");
}

TEST_F(CompareOptions, RefusesWhatCouldNeverRunWithTheParsersReason)
{
    ASSERT_EQ(Cli({"add", "http://127.0.0.1:1/", "--name", "P"}).status, kExitOk);
    const std::vector<std::vector<std::string>> refused = {
        {"edit", "P", "--select", "div >"},
        {"edit", "P", "--xpath", "//div["},
        {"edit", "P", "--ignore-re", "(a"},
        {"edit", "P", "--compare", "bytes"},
        {"edit", "P", "--trigger", "both"},
        {"edit", "P", "--announce", "never"},
        {"add", "http://127.0.0.1:1/x", "--compare", "page", "--select", "p"},
    };
    for (const auto& args : refused) {
        const CliOutcome run = Cli(args);
        EXPECT_EQ(run.status, kExitUsage) << args[2] << " " << args[3];
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_NE(Cli({"edit", "P", "--ignore-re", "(a"}).err.find("(a"), std::string::npos);
}
