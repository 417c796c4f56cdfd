#include "BrowserFiles.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "platform/FileUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace {

TEST(ImportCommand, ReportsWhatWasImportedAndRefusesUnreadableInput)
{
    CIsolatedSettings settings;
    CTempDir home, dir;
    // ~/Favorites is looked for in $HOME.
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.Path().c_str(), 1);
    auto cli = [](const std::vector<std::string>& args, std::string* err = nullptr) {
        std::ostringstream out, errors;
        const int status = RunCli(args, out, errors);
        if (err)
            *err = errors.str();
        return std::to_string(status) + " " + out.str();
    };

    WriteFileBytes(dir.Path() + "b.html", "<A HREF=\"http://a.test/\">A</A><A HREF=\"ftp://b.test/\">B</A>");
    std::string err;
    // The links left out are named.
    EXPECT_EQ(cli({"import-bookmarks", dir.Path() + "b.html"}, &err),
              "0 Imported 1 page, skipped 1 link that is not a web address\n");
    EXPECT_EQ(err, "sitevigil-cli: import-bookmarks: warning: skipped \"B\" (ftp://b.test/): not a web address\n");

    EXPECT_EQ(cli({"import-bookmarks", dir.Path() + "missing.html"}, &err), "2 ");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(cli({"import-favorites"}, &err), "2 ");
    EXPECT_NE(err.find("no Favorites folder " + home.Path() + "Favorites/"), std::string::npos) << err;

    EXPECT_EQ(::mkdir((home.Path() + "Favorites").c_str(), 0700), 0);
    WriteFileBytes(home.Path() + "Favorites/News.url", "[InternetShortcut]\r\nURL=http://news.test/\r\n");
    WriteFileBytes(home.Path() + "Favorites/Blank.url", "[InternetShortcut]\r\n");
    EXPECT_EQ(cli({"import-favorites"}, &err), "0 Imported 1 page, skipped 1 shortcut without an address\n");
    EXPECT_NE(err.find("Blank.url"), std::string::npos);
    const std::string list = cli({"list"});
    EXPECT_NE(list.find("http://a.test/"), std::string::npos);
    EXPECT_NE(list.find("http://news.test/"), std::string::npos);

    setenv("HOME", savedHome.c_str(), 1);
}

TEST(ImportCommand, BrowserProfilesByTheImportRules)
{
    CIsolatedSettings settings;
    CTempDir firefox;
    sqlite3_close(WriteFirefoxPlaces(firefox.Path() + "places.sqlite"));
    // The only Chromium-family profile is found in $XDG_CONFIG_HOME when none is named.
    const std::string chromium = std::string(std::getenv("XDG_CONFIG_HOME")) + "/chromium/Default/";
    ASSERT_TRUE(MakeFolders(chromium));
    WriteFileBytes(chromium + "Bookmarks", ChromiumBookmarksJson());
    auto cli = [](const std::vector<std::string>& args, std::string* err = nullptr) {
        std::ostringstream out, errors;
        const int status = RunCli(args, out, errors);
        if (err)
            *err = errors.str();
        return std::to_string(status) + " " + out.str();
    };
    ASSERT_EQ(cli({"config", "set", "confirmDuplicates", "1"}).substr(0, 2), "0 ");

    std::string err;
    EXPECT_EQ(cli({"import-firefox", firefox.Path()}, &err), "0 Imported 2 pages, 1 skipped (not web addresses)\n");
    EXPECT_NE(err.find("javascript:alert(1)"), std::string::npos) << err;
    EXPECT_EQ(cli({"import-chromium", "--folder", "Shops"}, &err),
              "0 Imported 0 pages, 1 skipped (not web addresses)\n");
    EXPECT_NE(err.find("1 page was already watched"), std::string::npos) << err;
    EXPECT_EQ(cli({"config", "set", "confirmDuplicates", "0"}).substr(0, 2), "0 ");
    EXPECT_EQ(cli({"import-chromium", "--folder=Bookmarks bar / Shops / Bikes"}),
              "0 Imported 1 page, 1 skipped (not web addresses)\n");
    EXPECT_EQ(cli({"show", "3"}).find("Shops / Bikes") != std::string::npos, true);

    // Refused whole, with the reason on one line, and the list as it was.
    const std::string before = cli({"list"});
    WriteFileBytes(chromium + "Bookmarks", ChromiumBookmarksJson().substr(0, 100));
    EXPECT_EQ(cli({"import-chromium"}, &err), "2 ");
    EXPECT_NE(err.find("is damaged"), std::string::npos) << err;
    EXPECT_EQ(cli({"import-firefox", firefox.Path(), "--folder", "Nowhere"}, &err), "2 ");
    EXPECT_NE(err.find("no folder \"Nowhere\""), std::string::npos) << err;
    EXPECT_EQ(cli({"list"}), before);
}

} // namespace
