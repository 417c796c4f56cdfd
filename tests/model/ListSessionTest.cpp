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
