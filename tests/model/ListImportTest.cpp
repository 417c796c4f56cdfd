#include "model/ListImport.h"
#include "model/SiteVigilDoc.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Pages = std::vector<std::pair<std::string, std::string>>;

Pages PagesOf(const CSiteVigilDoc& doc)
{
    Pages pages;
    for (const auto& record : doc.Records())
        pages.emplace_back(record->m_strName, record->m_strURL);
    return pages;
}

TEST(ListImport, FavoritesTakeTopLevelShortcutsWithAnAddress)
{
    CIsolatedSettings settings;
    CTempDir favorites;
    const std::string& dir = favorites.Path();
    WriteFileBytes(dir + "News.url", "[InternetShortcut]\r\nURL=http://news.test/\r\n");
    WriteFileBytes(dir + "Docs.desktop", "[Desktop Entry]\nType=Link\nURL=https://docs.test/\n");
    WriteFileBytes(dir + "Blank.url", "[InternetShortcut]\r\nURL=\r\n");
    WriteFileBytes(dir + "Script.url", "[InternetShortcut]\r\nURL=javascript:alert(1)//\r\n");
    WriteFileBytes(dir + ".Hidden.url", "[InternetShortcut]\nURL=http://hidden.test/\n");
    ASSERT_EQ(::mkdir((dir + "Sub.url").c_str(), 0700), 0);
    WriteFileBytes(dir + "Sub.url/Inner.url", "[InternetShortcut]\nURL=http://inner.test/\n");
    // A pipe named like a shortcut must not keep the import waiting for a writer.
    ASSERT_EQ(::mkfifo((dir + "Pipe.url").c_str(), 0600), 0);

    CSiteVigilDoc doc;
    const Result<ImportResult> imported = ImportFavorites(doc, dir);
    ASSERT_TRUE(imported) << imported.error().message;
    const ImportResult& result = *imported;
    EXPECT_EQ(result.added, 2u);
    // In the order of the file names, whatever order the folder lists them in.
    EXPECT_EQ(PagesOf(doc), (Pages{{"Docs", "https://docs.test/"}, {"News", "http://news.test/"}}));
    // Left out rather than added without an address, which would become a bogus one on the next load.
    ASSERT_EQ(result.skipped.size(), 2u);
    EXPECT_NE(result.skipped[0].find("Blank.url"), std::string::npos);
    EXPECT_NE(result.skipped[1].find("Script.url"), std::string::npos) << "only what add accepts";
}

TEST(ListImport, ListFilePagesComeAtTheEndWithIdsOfThisList)
{
    CIsolatedSettings settings;
    CTempDir dir;
    // Another list whose ids are the ones every list starts with, one of them an address add refuses.
    CSiteVigilDoc other;
    const char* urls[] = {"http://p.test/", "javascript:alert(document.domain)//", "https://q.test/"};
    int id = 0;
    for (const char* url : urls) {
        auto record = std::make_unique<Curl>();
        record->m_strName = url;
        record->m_strURL = url;
        record->m_strPageID = std::to_string(++id);
        other.AddRecord(std::move(record));
    }
    ASSERT_TRUE(other.SaveToFile(dir.Path() + "other.dat"));

    CSiteVigilDoc doc;
    auto own = std::make_unique<Curl>();
    own->m_strURL = "http://own.test/";
    own->m_strPageID = "1";
    doc.AddRecord(std::move(own));
    const Result<ImportResult> imported = ImportListFile(doc, dir.Path() + "other.dat");
    ASSERT_TRUE(imported) << imported.error().message;
    const ImportResult& result = *imported;
    EXPECT_EQ(result.added, 2u);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_NE(result.skipped[0].find("javascript:"), std::string::npos);
    EXPECT_EQ(PagesOf(doc),
              (Pages{{"", "http://own.test/"},
                     {"http://p.test/", "http://p.test/"},
                     {"https://q.test/", "https://q.test/"}}));
    // The imported pages get fresh ids of this list as they join, never another page's files.
    EXPECT_EQ(doc.Records().front()->m_strPageID, "1");
    EXPECT_EQ((*std::next(doc.Records().begin()))->m_strPageID, "2");
    EXPECT_EQ(doc.Records().back()->m_strPageID, "3");

    EXPECT_FALSE(ImportListFile(doc, dir.Path() + "missing.dat"));
    EXPECT_EQ(doc.Records().size(), 3u);
}

TEST(ListImport, BookmarksTakeWebLinksEveryTimeFromReadableFiles)
{
    CIsolatedSettings settings;
    CTempDir dir;
    const std::string file = dir.Path() + "bookmarks.html";
    WriteFileBytes(file,
                   "<DL><DT><A HREF=\"http://plain.test/\">Plain</A><DT><A HREF=\"https://secure.test/\">Secure</A>"
                   "<DT><A HREF=\"HTTP://CAPS.TEST/\">Caps</A></DL>");
    // Larger than any bookmarks file, without taking the disk space.
    const std::string huge = dir.Path() + "huge.html";
    WriteFileBytes(huge, "");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxBookmarksFileBytes) + 1), 0);

    CSiteVigilDoc doc;
    // Nothing checks for duplicates: a second import adds every page again.
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(ImportBookmarksFile(doc, file)->added, 2u);
    const Pages once = {{"Plain", "http://plain.test/"}, {"Secure", "https://secure.test/"}};
    EXPECT_EQ(PagesOf(doc), (Pages{once[0], once[1], once[0], once[1]}));

    const Result<ImportResult> tooLarge = ImportBookmarksFile(doc, huge);
    ASSERT_FALSE(tooLarge);
    EXPECT_NE(tooLarge.error().message.find("too large"), std::string::npos);
    EXPECT_EQ(doc.Records().size(), 4u);
}

} // namespace
