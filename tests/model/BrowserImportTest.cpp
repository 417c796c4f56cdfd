#include "model/BrowserImport.h"
#include "BrowserFiles.h"
#include "TestEnv.h"
#include "model/BrowserProfiles.h"
#include "model/ChromiumBookmarks.h"
#include "model/FirefoxBookmarks.h"
#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"
#include "platform/FileUtil.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <set>
#include <sys/stat.h>

namespace {

// "folder path | title | url" per bookmark, and the full path of every folder.
std::vector<std::string> Bookmarks(const BookmarkTree& tree)
{
    std::vector<std::string> lines;
    for (const auto& bookmark : tree.bookmarks)
        lines.push_back(tree.FolderPath(bookmark.folder) + " | " + bookmark.title + " | " + bookmark.url);
    return lines;
}

std::vector<std::string> Folders(const BookmarkTree& tree)
{
    std::vector<std::string> paths;
    for (int folder = 0; folder < static_cast<int>(tree.folders.size()); ++folder)
        paths.push_back(tree.FullFolderPath(folder));
    return paths;
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            names.insert(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

const std::vector<std::string> kExpectedBookmarks
    = {"Shops / Bikes | Bike shop | https://bikes.test/", "Shops / Bikes | Bookmarklet | javascript:alert(1)",
       " | News | http://news.test/"};

// How Firefox (or another writer) left the database when it was copied.
enum class Writer
{
    Closed,
    OpenWithWal, // running Firefox: exclusive lock, the bookmarks only in the write-ahead log
    MidTransaction, // a writer in the middle of a change, its rollback journal beside the file
};

class FirefoxProfile : public testing::TestWithParam<Writer>
{
};

TEST_P(FirefoxProfile, ReadsTheCommittedTreeWithoutTouchingTheProfile)
{
    CTempDir profile;
    const std::string places = profile.Path() + "places.sqlite";
    sqlite3* firefox = WriteFirefoxPlaces(places, GetParam() == Writer::OpenWithWal ? "wal" : "delete");
    if (GetParam() == Writer::OpenWithWal) {
        RunSql(firefox, "PRAGMA locking_mode=EXCLUSIVE; UPDATE moz_bookmarks SET lastModified = 1;");
        ASSERT_TRUE(FileExists(places + "-wal"));
    }
    if (GetParam() == Writer::MidTransaction) {
        // A small cache makes the writer spill its uncommitted pages into the file itself.
        RunSql(
            firefox,
            "PRAGMA cache_size=2; BEGIN; INSERT INTO moz_places (id, url, guid) VALUES (9, 'http://ghost.test/', 'g');"
            "INSERT INTO moz_bookmarks (type, fk, parent, position, title, guid) VALUES (1, 9, 3, 1, 'Ghost', 'g');"
            "CREATE TABLE filler(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
            " INSERT INTO filler SELECT randomblob(600) FROM n;");
        ASSERT_TRUE(FileExists(places + "-journal"));
    }
    if (GetParam() == Writer::Closed) {
        sqlite3_close(firefox);
        firefox = nullptr;
    }
    const std::set<std::string> before = FilesIn(profile.Path());

    const Result<BookmarkTree> tree = ReadFirefoxBookmarks(profile.Path());
    ASSERT_TRUE(tree) << tree.error().message;
    EXPECT_EQ(Bookmarks(*tree), kExpectedBookmarks);
    // The tags folder repeats tagged bookmarks and stays out; the top folders get the names Firefox shows.
    EXPECT_EQ(Folders(*tree),
              (std::vector<std::string>{"Bookmarks Menu", "Bookmarks Menu / Shops", "Bookmarks Menu / Shops / Bikes",
                                        "Bookmarks Toolbar", "Other Bookmarks", "Mobile Bookmarks"}));
    EXPECT_EQ(FilesIn(profile.Path()), before) << "the profile is only read";
    sqlite3_close(firefox);
}

INSTANTIATE_TEST_SUITE_P(BrowserImport, FirefoxProfile,
                         testing::Values(Writer::Closed, Writer::OpenWithWal, Writer::MidTransaction));

TEST(BrowserImport, ChromiumFileGivesTheSameTree)
{
    CTempDir profile;
    WriteFileBytes(profile.Path() + "Bookmarks", ChromiumBookmarksJson());
    const Result<BookmarkTree> tree = ReadChromiumBookmarks(profile.Path());
    ASSERT_TRUE(tree) << tree.error().message;
    EXPECT_EQ(Bookmarks(*tree), kExpectedBookmarks);
    EXPECT_EQ(Folders(*tree),
              (std::vector<std::string>{"Bookmarks bar", "Bookmarks bar / Shops", "Bookmarks bar / Shops / Bikes",
                                        "Other bookmarks", "Mobile bookmarks"}));
}

TEST(BrowserImport, DamagedOrUnknownFilesAreRefusedWithTheirReason)
{
    CTempDir dir;
    // Firefox: not a database, a database of something else, a damaged one, a folder without one.
    WriteFileBytes(dir.Path() + "text.sqlite", "just some text, no database at all, long enough to look like one");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir.Path() + "other.sqlite").c_str(), &other), SQLITE_OK);
    RunSql(other, "CREATE TABLE notes(x); INSERT INTO notes VALUES ('hi');");
    sqlite3_close(other);
    sqlite3_close(WriteFirefoxPlaces(dir.Path() + "damaged.sqlite", "delete"));
    std::string bytes = ReadFileBytes(dir.Path() + "damaged.sqlite");
    ASSERT_GT(bytes.size(), 4096u * 4);
    for (size_t at = 4096 * 3 + 100; at < 4096 * 4; ++at)
        bytes[at] = static_cast<char>(0xA5);
    WriteFileBytes(dir.Path() + "damaged.sqlite", bytes);
    ASSERT_EQ(::mkdir((dir.Path() + "empty").c_str(), 0700), 0);

    struct Case
    {
        std::string file;
        std::string reason;
    };
    for (const Case& c : std::vector<Case>{{"text.sqlite", "cannot be read"},
                                           {"other.sqlite", "no Firefox bookmarks database"},
                                           {"damaged.sqlite", "damaged"},
                                           {"empty", "no places.sqlite"}}) {
        const Result<BookmarkTree> tree = ReadFirefoxBookmarks(dir.Path() + c.file);
        ASSERT_FALSE(tree) << c.file;
        EXPECT_NE(tree.error().message.find(c.reason), std::string::npos) << tree.error().message;
    }

    std::string nested = R"({"roots":{"other":{"type":"folder","children":[)";
    for (int i = 0; i < 300; ++i)
        nested += R"({"type":"folder","name":"d","children":[)";
    for (int i = 0; i < 300; ++i)
        nested += "]}";
    nested += "]}}}";
    const std::string good = ChromiumBookmarksJson();
    for (const Case& c : std::vector<Case>{{good.substr(0, good.size() / 2), "damaged"},
                                           {"[1, 2]", "no Chromium bookmarks file"},
                                           {R"({"roots": {"bookmark_bar": 5}})", "no folder"},
                                           {R"({"version": 1})", "no \"roots\""},
                                           {R"({"roots":{"other":{"children":{}}}})", "no list"},
                                           {nested, "nested"}}) {
        const Result<BookmarkTree> tree = ParseChromiumBookmarks(c.file, "Bookmarks");
        ASSERT_FALSE(tree) << c.file.substr(0, 40);
        EXPECT_NE(tree.error().message.find(c.reason), std::string::npos) << tree.error().message;
    }
}

TEST(BrowserImport, ChosenFoldersBecomePagesByTheImportRules)
{
    CIsolatedSettings settings;
    CTempDir profile;
    WriteFileBytes(profile.Path() + "Bookmarks", ChromiumBookmarksJson());
    const Result<BookmarkTree> tree = ReadChromiumBookmarks(profile.Path() + "Bookmarks");
    ASSERT_TRUE(tree);
    ASSERT_EQ(FoldersNamed(*tree, "shops").size(), 1u);
    EXPECT_EQ(FoldersNamed(*tree, "Bookmarks bar / Shops"), FoldersNamed(*tree, "Shops"));
    EXPECT_TRUE(FoldersNamed(*tree, "").empty());

    CSiteVigilDoc doc;
    auto watched = std::make_unique<Curl>();
    watched->m_strURL = "https://BIKES.test/";
    doc.AddRecord(std::move(watched));
    EXPECT_EQ(CountAlreadyWatched(doc, *tree, FoldersNamed(*tree, "Shops")), 1u);

    // The chosen folder and those below it; a page already watched is left out when the rule says so.
    ImportResult result = ImportBookmarkTree(doc, *tree, FoldersNamed(*tree, "Shops"), DuplicatePages::Skip);
    EXPECT_EQ(result.added, 0u);
    EXPECT_EQ(result.alreadyWatched, 1u);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_NE(result.skipped[0].find("javascript:alert(1)"), std::string::npos);

    result = ImportBookmarkTree(doc, *tree, {}, DuplicatePages::Add);
    EXPECT_EQ(result.added, 2u);
    EXPECT_EQ(result.alreadyWatched, 0u);
    ASSERT_EQ(doc.Records().size(), 3u);
    EXPECT_EQ(doc.Records()[1]->m_strName, "Bike shop");
    EXPECT_EQ(doc.Records()[1]->m_strDescription, "Shops / Bikes");
    EXPECT_EQ(doc.Records()[2]->m_strURL, "http://news.test/");
    EXPECT_EQ(doc.Records()[2]->m_strDescription, "");
}

TEST(BrowserImport, ProfilesAreFoundWhereTheBrowsersKeepThem)
{
    CTempDir home;
    const std::string h = home.Path();
    const std::string config = h + ".config/";
    auto put = [](const std::string& path, const std::string& bytes) {
        MakeFolders(path.substr(0, path.rfind('/') + 1));
        WriteFileBytes(path, bytes);
    };
    put(h + ".mozilla/firefox/profiles.ini",
        "[Install4F96D1932A9F858E]\nDefault=abc.default-release\nLocked=1\n\n"
        "[Profile1]\nName=default\nIsRelative=1\nPath=xyz.default\nDefault=1\n\n"
        "[Profile0]\nName=default-release\nIsRelative=1\nPath=abc.default-release\n\n"
        "[Profile2]\nName=gone\nIsRelative=1\nPath=gone.profile\n\n[General]\nVersion=2\n");
    put(h + ".mozilla/firefox/abc.default-release/places.sqlite", "x");
    put(h + ".mozilla/firefox/xyz.default/places.sqlite", "x");
    put(h + "snap/firefox/common/.mozilla/firefox/profiles.ini",
        "[Profile0]\nName=snappy\nIsRelative=0\nPath=" + h + "elsewhere\n");
    put(h + "elsewhere/places.sqlite", "x");

    put(config + "google-chrome/Local State",
        R"({"profile":{"last_used":"Profile 1","info_cache":{"Default":{"name":"Person 1"},"Profile 1":{"name":"Work"}}}})");
    put(config + "google-chrome/Default/Bookmarks", "{}");
    put(config + "google-chrome/Profile 1/Bookmarks", "{}");
    put(config + "google-chrome/System Profile/Bookmarks", "{}");
    put(h + ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/Bookmarks", "{}");

    auto labels = [](const std::vector<BrowserProfile>& profiles) {
        std::vector<std::string> lines;
        for (const BrowserProfile& p : profiles)
            lines.push_back(p.Label() + (p.isDefault ? " (default) " : " ") + p.folder);
        return lines;
    };
    EXPECT_EQ(
        labels(FindFirefoxProfiles(h, config)),
        (std::vector<std::string>{"Firefox: default-release (default) " + h + ".mozilla/firefox/abc.default-release/",
                                  "Firefox: default " + h + ".mozilla/firefox/xyz.default/",
                                  "Firefox (snap): snappy " + h + "elsewhere/"}));
    EXPECT_EQ(
        labels(FindChromiumProfiles(h, config)),
        (std::vector<std::string>{"Google Chrome: Person 1 " + config + "google-chrome/Default/",
                                  "Google Chrome: Work (default) " + config + "google-chrome/Profile 1/",
                                  "Brave (Flatpak): Default (default) " + h
                                      + ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/"}));
}

} // namespace
