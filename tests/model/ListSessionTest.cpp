#include "model/ListSession.h"
#include "model/Archive.h"
#include "model/UrlRecord.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// A list of three pages cut inside the third: two are readable.
std::string DamagedList()
{
    CSiteVigilDoc doc;
    for (const char* name : {"a", "b", "c"}) {
        auto record = std::make_unique<Curl>();
        record->m_strName = name;
        record->m_strDescription = std::string(300, 'd');
        doc.AddRecord(std::move(record));
    }
    CArchiveWriter writer;
    doc.Serialize(writer);
    std::string bytes = writer.TakeData();
    bytes.resize(bytes.size() - 200);
    return bytes;
}

} // namespace

TEST(ListSession, DamagedListIsShownButNotSavedOverUntilMovedAside)
{
    CIsolatedSettings settings;
    const std::string path = settings.StorageDir() + "siteVigil.dat";
    const std::string damaged = DamagedList();
    WriteFileBytes(path, damaged);

    CListSession session;
    EXPECT_FALSE(session.Open(true));
    EXPECT_TRUE(session.IsDamaged());
    EXPECT_NE(session.LoadError().find("damaged"), std::string::npos) << session.LoadError();
    EXPECT_EQ(session.Doc().Count(), 3u); // two pages and the "Error" record in place of the third
    EXPECT_FALSE(session.Save());
    // Nor through the document, as the minute's save and the end of a run save.
    EXPECT_FALSE(session.Doc().SaveDefault());
    EXPECT_EQ(ReadFileBytes(path), damaged);

    std::string movedTo;
    ASSERT_TRUE(session.MoveDamagedAside(&movedTo));
    EXPECT_EQ(ReadFileBytes(movedTo), damaged);
    EXPECT_EQ(std::filesystem::path(movedTo).parent_path(), std::filesystem::path(path).parent_path());
    EXPECT_FALSE(session.IsDamaged());
    ASSERT_TRUE(session.Save());

    CListSession again;
    ASSERT_TRUE(again.Open(false));
    EXPECT_EQ(again.Doc().Count(), 3u);
}

// A list file another program put in place while the list was open is never saved over unseen, by
// any of the savers; once the user has decided, either side can win.
TEST(ListSession, ListFileReplacedMeanwhileIsNotSavedOverUntilTheUserDecides)
{
    CIsolatedSettings settings;
    const std::string path = settings.StorageDir() + "siteVigil.dat";
    CListSession session;
    ASSERT_TRUE(session.Open(true));
    session.Doc().AddRecord(CListSession::NewRecord("http://mine.example.test/"));
    ASSERT_TRUE(session.Save());
    EXPECT_FALSE(session.Doc().DefaultFileReplaced());
    ASSERT_TRUE(session.Save()); // our own saves never count as a replacement

    const std::string theirs = "a list restored from a backup";
    WriteFileBytes(path + ".new", theirs);
    std::filesystem::rename(path + ".new", path);
    EXPECT_TRUE(session.Doc().DefaultFileReplaced());
    const Status refused = session.Save();
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("changed by another program"), std::string::npos) << refused.error().message;
    EXPECT_FALSE(session.Doc().SaveDefault());
    EXPECT_EQ(ReadFileBytes(path), theirs);

    session.Doc().TakeOverDefaultFile();
    ASSERT_TRUE(session.Save());
    CListSession again;
    ASSERT_TRUE(again.Open(false));
    EXPECT_EQ(again.Doc().Count(), 1u);
}
