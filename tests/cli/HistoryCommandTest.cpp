#include "HttpTestServer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "model/VigilPrefs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

struct Ran
{
    int status;
    std::string out;
    std::string err;
};

Ran Cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

// A page checked through four versions: its history listed, any two versions compared, then the
// page removed with its files kept aside until purged.
TEST(HistoryCommand, ListsComparesRemovesAndPurges)
{
    CIsolatedSettings settings;
    CVigilPrefs::GetInstance().WriteInt("proxyType", 1);
    CHttpTestServer server;
    ASSERT_EQ(Cli({"add", server.Url("/p"), "--name", "P", "--watch", "content", "--compare", "page"}).status, kExitOk);
    for (int n = 1; n <= 4; ++n) {
        server.SetPage("/p", CHttpTestServer::Response{200, "<p>line " + std::to_string(n) + "</p>\nsame\n", {}});
        ASSERT_EQ(Cli({"check"}).status, kExitOk);
    }

    const Ran json = Cli({"history", "P", "--json"});
    ASSERT_EQ(json.status, kExitOk) << json.err;
    EXPECT_TRUE(Has(json.out, "{\"number\": 1, ")) << json.out;
    EXPECT_TRUE(Has(json.out, "\"reason\": \"Checksum changed\", \"kind\": \"history\"")) << json.out;
    EXPECT_TRUE(Has(json.out, "{\"number\": 3, ")) << json.out;
    EXPECT_TRUE(Has(json.out, "\"kind\": \"previous\"}")) << json.out;
    EXPECT_TRUE(Has(json.out, "{\"number\": 4, ")) << json.out;
    const Ran table = Cli({"history", "P"});
    EXPECT_TRUE(Has(table.out, "\thistory\n") && Has(table.out, "\tcurrent\n")) << table.out;

    const Ran text = Cli({"diff", "P", "--from", "1", "--text"});
    ASSERT_EQ(text.status, kExitOk) << text.err;
    EXPECT_TRUE(Has(text.out, "-<p>line 1</p>\n+<p>line 4</p>\n")) << text.out;
    const Ran report = Cli({"diff", "P", "--from", "1", "--to", "2"});
    ASSERT_EQ(report.status, kExitOk) << report.err;
    const std::string html = ReadFileBytes(report.out.substr(0, report.out.size() - 1));
    EXPECT_TRUE(Has(html, "line 1") && Has(html, "line 2") && !Has(html, "line 4")) << html;
    EXPECT_EQ(Cli({"diff", "P", "--from", "9"}).status, kExitFailed);
    EXPECT_EQ(Cli({"diff", "P", "--to", "2"}).status, kExitUsage);
    EXPECT_EQ(Cli({"diff", "P", "--from", "x"}).status, kExitUsage);

    ASSERT_EQ(Cli({"remove", "P"}).status, kExitOk);
    const std::string removed = settings.StorageDir() + "removed/1/";
    EXPECT_TRUE(std::filesystem::exists(removed + "1.html"));
    EXPECT_TRUE(std::filesystem::exists(removed + "1/1.gz"));
    EXPECT_FALSE(std::filesystem::exists(settings.StorageDir() + "savedPages/1.html"));
    const Ran purge = Cli({"purge"});
    EXPECT_EQ(purge.status, kExitOk);
    EXPECT_TRUE(Has(purge.out, "Purged 1 removed page")) << purge.out;
    EXPECT_FALSE(std::filesystem::exists(removed));
}
