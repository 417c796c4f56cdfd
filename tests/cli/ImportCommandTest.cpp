#include "TestEnv.h"
#include "cli/CliApp.h"

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

} // namespace
