#include "model/SiteVigilDoc.h"
#include "model/Archive.h"
#include "model/VigilPrefs.h"

#include "OldListLayout.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace {

std::string Le32(int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    return std::string{static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                       static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
}

std::unique_ptr<Curl> Record(const std::string& name, const std::string& url = {})
{
    auto record = std::make_unique<Curl>();
    record->m_strName = name;
    record->m_strURL = url.empty() ? "http://" + name + ".test/" : url;
    // Records of a realistic size: a file cut short still holds room for the count it claims.
    record->m_strDescription = std::string(300, 'd');
    return record;
}

std::vector<std::string> Names(const CSiteVigilDoc& doc)
{
    std::vector<std::string> names;
    for (const auto& record : doc.Records())
        names.push_back(record->m_strName);
    return names;
}

// Every row found by its record and by its serial.
void ExpectIndexed(const CSiteVigilDoc& doc)
{
    for (size_t row = 0; row < doc.Count(); ++row) {
        Curl& record = doc.RecordAt(row);
        ASSERT_EQ(doc.RowOf(&record), row);
        ASSERT_EQ(doc.FindBySerial(record.GetSerial()), &record);
    }
}

std::string FileOf(std::initializer_list<const char*> names)
{
    CSiteVigilDoc doc;
    for (const char* name : names)
        doc.AddRecord(Record(name));
    CArchiveWriter writer;
    doc.Serialize(writer);
    return writer.TakeData();
}

class SiteVigilDocTest : public testing::Test
{
protected:
    CIsolatedSettings m_settings;
    CSiteVigilDoc m_doc;
};

TEST_F(SiteVigilDocTest, FirstStartIsEmptyAndSavesAHeaderOnly)
{
    m_doc.OnNewDocument();
    EXPECT_EQ(m_doc.GetTitle(), "Watching the Internet");
    EXPECT_TRUE(m_doc.LoadDefault()); // no file yet is not an error
    EXPECT_TRUE(m_doc.Records().empty());
    ASSERT_TRUE(m_doc.SaveDefault());
    EXPECT_EQ(m_doc.GetDefaultPath(), m_settings.StorageDir() + "siteVigil.dat");
    EXPECT_EQ(ReadFileBytes(m_doc.GetDefaultPath()), Le32(1) + Le32(1) + Le32(0) + Le32(0));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(m_doc.GetDefaultPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u); // site passwords are in it
}

TEST_F(SiteVigilDocTest, SavedListLoadsInItsOrderAndMergesAtTheEnd)
{
    for (const char* name : {"A", "B", "C"})
        m_doc.AddRecord(Record(name));
    ASSERT_TRUE(m_doc.SaveDefault());

    CSiteVigilDoc loaded;
    loaded.OnNewDocument();
    ASSERT_TRUE(loaded.LoadDefault());
    EXPECT_EQ(Names(loaded), (std::vector<std::string>{"A", "B", "C"}));

    const std::string other = m_settings.StorageDir() + "other.dat";
    WriteFileBytes(other, FileOf({"P", "Q"}));
    ASSERT_TRUE(loaded.LoadFromFile(other));
    EXPECT_EQ(Names(loaded), (std::vector<std::string>{"A", "B", "C", "P", "Q"}));
    ExpectIndexed(loaded);
}

TEST_F(SiteVigilDocTest, RowsStayIndexedThroughEveryChange)
{
    constexpr size_t kPages = 20000;
    for (size_t i = 0; i < kPages; ++i)
        m_doc.AddRecord(std::make_unique<Curl>());
    ASSERT_TRUE(m_doc.SaveDefault());
    m_doc.AddRecord(Record("first"));
    ASSERT_TRUE(m_doc.LoadDefault());
    ASSERT_EQ(m_doc.Count(), 2 * kPages + 1);
    // A removal from the middle, and a copy of a record in the list, which needs a serial of its own.
    const uint64_t removedSerial = m_doc.RecordAt(kPages / 2).GetSerial();
    ASSERT_TRUE(m_doc.RemoveRecord(&m_doc.RecordAt(kPages / 2)));
    EXPECT_EQ(m_doc.FindBySerial(removedSerial), nullptr);
    m_doc.AddRecord(m_doc.RecordAt(0).MakeWorkCopy());
    EXPECT_NE(m_doc.RecordAt(2 * kPages).GetSerial(), m_doc.RecordAt(0).GetSerial());
    EXPECT_EQ(m_doc.RecordAt(kPages - 1).m_strName, "first");
    ExpectIndexed(m_doc);
    Curl stranger;
    EXPECT_EQ(m_doc.RowOf(&stranger), CSiteVigilDoc::kNoRow);
}

TEST_F(SiteVigilDocTest, SaveStopsTheRunFirst)
{
    struct Stopper : CSiteVigilDoc::IStopBeforeSave
    {
        void StopChecking() override { ++stops; }
        int stops = 0;
    } stopper;
    m_doc.SetStopBeforeSave(&stopper);
    ASSERT_TRUE(m_doc.SaveToFile(m_settings.StorageDir() + "x.dat"));
    EXPECT_EQ(stopper.stops, 1);
}

TEST_F(SiteVigilDocTest, DuplicatesIgnoreCaseButNotTrailingSlash)
{
    m_doc.AddRecord(Record("a", "http://Example.test/Page"));
    EXPECT_TRUE(m_doc.IsDuplicate(*Record("b", "HTTP://EXAMPLE.TEST/page")));
    EXPECT_FALSE(m_doc.IsDuplicate(*Record("c", "http://example.test/page/")));
    EXPECT_FALSE(m_doc.IsDuplicate(*Record("d", "http://example.test/pag")));
}

TEST_F(SiteVigilDocTest, RemoveHandsTheRecordBack)
{
    m_doc.AddRecord(Record("a"));
    m_doc.AddRecord(Record("b"));
    Curl* b = &m_doc.RecordAt(1);
    std::unique_ptr<Curl> removed = m_doc.RemoveRecord(b);
    EXPECT_EQ(removed.get(), b);
    EXPECT_EQ(Names(m_doc), std::vector<std::string>{"a"});
    Curl stranger;
    EXPECT_EQ(m_doc.RemoveRecord(&stranger), nullptr);
}

TEST_F(SiteVigilDocTest, FileCutInsideTheThirdRecord)
{
    const std::string whole = FileOf({"r1", "r2", "r3", "r4", "r5"});
    const size_t thirdStart = whole.find("\x02r3");
    ASSERT_NE(thirdStart, std::string::npos);
    const std::string path = m_settings.StorageDir() + "cut.dat";
    WriteFileBytes(path, whole.substr(0, thirdStart + 20));

    const Status result = m_doc.LoadFromFile(path);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error().message.find("3 of 5 pages could not be read"), std::string::npos)
        << result.error().message;
    EXPECT_EQ(Names(m_doc), (std::vector<std::string>{"r1", "r2", "Error", "Error", "Error"}));
    for (const auto& record : m_doc.Records()) {
        if (record->m_strName == "Error") {
            EXPECT_EQ(record->m_strURL, "http://127.0.0.1");
        }
    }
}

TEST_F(SiteVigilDocTest, ListsLargerThanOneReadPieceLoadWhole)
{
    // Pieces of the file are read one at a time: records cross their edges, and one is larger than a piece.
    for (int i = 0; i < 3000; ++i)
        m_doc.AddRecord(Record("p" + std::to_string(i)));
    auto big = Record("big");
    big->m_strDescription = std::string(2500000, 'b');
    m_doc.AddRecord(std::move(big));
    m_doc.AddRecord(Record("last"));
    const std::string path = m_settings.StorageDir() + "big.dat";
    ASSERT_TRUE(m_doc.SaveToFile(path));

    CSiteVigilDoc loaded;
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(Names(loaded), Names(m_doc));
    EXPECT_EQ((*std::next(loaded.Records().rbegin()))->m_strDescription.size(), 2500000u);

    // Cut inside the large record: the records before it are whole, it and the one after are errors.
    const std::string bytes = ReadFileBytes(path);
    WriteFileBytes(path, bytes.substr(0, bytes.size() - 1000000));
    CSiteVigilDoc cut;
    const Status result = cut.LoadFromFile(path);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error().message.find("2 of 3002 pages"), std::string::npos) << result.error().message;
    ASSERT_EQ(cut.Records().size(), 3002u);
    EXPECT_EQ(cut.Records().back()->m_strName, "Error");
    EXPECT_EQ((*std::next(cut.Records().rbegin()))->m_strName, "Error");
    EXPECT_EQ((*std::next(cut.Records().rbegin()))->m_strSearchText, "");
    EXPECT_EQ((*std::next(cut.Records().rbegin(), 2))->m_strName, "p2999");
    EXPECT_EQ(cut.Records().front()->m_strName, "p0");
}

struct HostileCase
{
    const char* label;
    std::string bytes;
    size_t records; // records the list ends up with
    const char* errorPart; // "" when the load succeeds
};

class SiteVigilDocHostile : public testing::TestWithParam<HostileCase>
{
protected:
    CIsolatedSettings m_settings;
};

const std::string kHeader = Le32(1) + Le32(0) + Le32(50);
const std::string kTwo = FileOf({"x", "y"});

INSTANTIATE_TEST_SUITE_P(
    Files, SiteVigilDocHostile,
    testing::Values(HostileCase{"empty", "", 0, "empty or not a Site Vigil list"},
                    HostileCase{"shortHeader", Le32(1) + Le32(0), 0, "empty or not a Site Vigil list"},
                    HostileCase{"zeroCount", kHeader + Le32(0), 0, ""},
                    HostileCase{"negativeCount", kHeader + Le32(-1), 0, "negative"},
                    HostileCase{"hugeCount", kHeader + Le32(0x7FFFFFFF), 0, "claims 2147483647 pages"},
                    // The header claims more than the file can hold: the readable records are kept.
                    HostileCase{"countTooLarge", kTwo.substr(0, 12) + Le32(1000000) + kTwo.substr(16), 2,
                                "claims 1000000 pages but can hold at most"},
                    HostileCase{"garbage", std::string(4096, '\xFF'), 0, "negative"},
                    // Bytes after the counted records: the file holds more than was read.
                    HostileCase{"countTooSmall", kTwo.substr(0, 12) + Le32(1) + kTwo.substr(16), 1,
                                "more data follows"},
                    HostileCase{"trailingBytes", kTwo + "tail", 2, "more data follows"}),
    [](const testing::TestParamInfo<HostileCase>& info) { return info.param.label; });

TEST_P(SiteVigilDocHostile, LeavesTheListUsable)
{
    const HostileCase& c = GetParam();
    CSiteVigilDoc doc;
    doc.AddRecord(Record("kept"));
    const std::string path = m_settings.StorageDir() + "hostile.dat";
    WriteFileBytes(path, c.bytes);
    const Status result = doc.LoadFromFile(path);
    if (*c.errorPart) {
        EXPECT_FALSE(result);
        EXPECT_NE(result.error().message.find(path), std::string::npos) << result.error().message;
        EXPECT_NE(result.error().message.find(c.errorPart), std::string::npos) << result.error().message;
    } else {
        EXPECT_TRUE(result) << result.error().message;
    }
    EXPECT_EQ(doc.Records().size(), c.records + 1);
    EXPECT_EQ(doc.Records().front()->m_strName, "kept");
    // Reading from memory applies the same rules.
    CSiteVigilDoc fromMemory;
    CArchiveReader reader(c.bytes);
    const Status memoryResult = fromMemory.Serialize(reader);
    EXPECT_EQ(memoryResult.ok(), !*c.errorPart);
    EXPECT_NE(memoryResult.error().message.find(c.errorPart), std::string::npos) << memoryResult.error().message;
    EXPECT_EQ(fromMemory.Records().size(), c.records);
    // Still usable: it saves and loads.
    EXPECT_TRUE(doc.SaveToFile(path));
    CSiteVigilDoc again;
    EXPECT_TRUE(again.LoadFromFile(path));
    EXPECT_EQ(again.Records().size(), c.records + 1);
}

TEST_F(SiteVigilDocTest, OldLayoutReadsAndSavesInTheNewOne)
{
    auto old = Record("old");
    old->m_strPageID = "2a";
    const std::string fixed = OldLayoutRecord(*old);
    const std::string path = m_settings.StorageDir() + "old.dat";
    WriteFileBytes(path, kHeader + Le32(1) + fixed);
    ASSERT_TRUE(m_doc.LoadFromFile(path));
    ASSERT_EQ(Names(m_doc), std::vector<std::string>{"old"});
    EXPECT_EQ(m_doc.RecordAt(0).m_compare, CompareMode::Page);

    ASSERT_TRUE(m_doc.SaveToFile(path));
    CArchiveWriter block;
    ASSERT_TRUE(WriteExtensionBlock(block,
                                    {{"compare", "page"},
                                     {"select", ""},
                                     {"xpath", ""},
                                     {"ignore", ""},
                                     {"ignoreRegex", ""},
                                     {"trigger", "any"},
                                     {"announce", "each"},
                                     {"render", "0"},
                                     {"renderWait", "2"},
                                     {"every", ""},
                                     {"state", ""},
                                     {"etag", ""},
                                     {"lastModifiedText", ""},
                                     {"copyDigest", ""},
                                     {"comparedFrom", ""}}));
    EXPECT_EQ(ReadFileBytes(path), Le32(1) + Le32(1) + Le32(0) + Le32(1) + fixed + block.Data());
}

TEST_F(SiteVigilDocTest, UnreadableFileLeavesTheListAlone)
{
    m_doc.AddRecord(Record("a"));
    const Status missing = m_doc.LoadFromFile(m_settings.StorageDir() + "nothing.dat");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("nothing.dat"), std::string::npos);
    EXPECT_FALSE(m_doc.LoadFromFile(m_settings.StorageDir())); // a folder
    EXPECT_EQ(Names(m_doc), std::vector<std::string>{"a"});
}

TEST_F(SiteVigilDocTest, FailedSaveKeepsTheOldFile)
{
    m_doc.AddRecord(Record("old"));
    const std::string path = m_settings.StorageDir() + "list.dat";
    ASSERT_TRUE(m_doc.SaveToFile(path));
    const std::string before = ReadFileBytes(path);

    // A target whose folder is a regular file cannot be written, even by root.
    WriteFileBytes(m_settings.StorageDir() + "plain", "x");
    m_doc.AddRecord(Record("new"));
    const Status result = m_doc.SaveToFile(m_settings.StorageDir() + "plain/list.dat");
    EXPECT_FALSE(result);
    EXPECT_NE(result.error().message.find("plain"), std::string::npos) << result.error().message;

    // A target that is a folder cannot be replaced: the rename fails and the temporary file goes.
    const std::string folderTarget = m_settings.StorageDir() + "busy";
    ASSERT_EQ(::mkdir(folderTarget.c_str(), 0700), 0);
    WriteFileBytes(folderTarget + "/inside", "keep");
    EXPECT_FALSE(m_doc.SaveToFile(folderTarget));
    EXPECT_EQ(ReadFileBytes(folderTarget + "/inside"), "keep");

    EXPECT_EQ(ReadFileBytes(path), before);
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_settings.StorageDir()))
        leftovers += entry.path().filename().string().rfind("busy.", 0) == 0;
    EXPECT_EQ(leftovers, 0);
}

TEST_F(SiteVigilDocTest, SaveDefaultCreatesTheStorageFolder)
{
    const std::string folder = m_settings.StorageDir() + "deeper/still/";
    CVigilPrefs::GetInstance().WriteString("InstallDir", folder);
    CVigilPrefs::ResetInstance();
    m_doc.AddRecord(Record("a"));
    ASSERT_TRUE(m_doc.SaveDefault());
    EXPECT_TRUE(FileExists(folder + "siteVigil.dat"));
}

} // namespace

TEST_F(SiteVigilDocTest, OnlyIdsOfOurCounterSurviveLoading)
{
    // Each id as stored, and what loading keeps of it ("" = a fresh one is assigned on first use).
    const std::pair<const char*, const char*> ids[] = {
        {"1a", "1a"},
        {"ffffffff", "ffffffff"},
        {"1A", ""},
        {"123456789", ""},
        {"../../victim/notes", ""},
        {"7/..", ""},
        {"", ""},
        {"1a", ""}, // the second "1a"
    };
    CSiteVigilDoc doc;
    for (const auto& [stored, kept] : ids) {
        doc.AddRecord(Record("p"));
        doc.Records().back()->m_strPageID = stored;
    }
    ASSERT_TRUE(doc.SaveDefault());
    ASSERT_TRUE(m_doc.LoadDefault());
    auto it = m_doc.Records().begin();
    // A dropped id is replaced by a fresh one as the page joins the list, one no other page has.
    std::set<std::string> seen;
    for (const auto& [stored, kept] : ids) {
        const std::string& id = (*it++)->m_strPageID;
        if (*kept != '\0')
            EXPECT_EQ(id, kept) << stored;
        else
            EXPECT_TRUE(Curl::IsValidPageID(id) && id != stored) << stored;
        EXPECT_TRUE(seen.insert(id).second) << id;
    }
}

namespace {
// Writes down what the list tells, with the row count each call sees.
class CRecordingObserver : public CSiteVigilDoc::IListObserver
{
public:
    explicit CRecordingObserver(const CSiteVigilDoc& doc)
        : m_doc(doc)
    { }
    std::vector<std::string> told;
    void BeforeRecordAdded(size_t row) override { Note("before-add", row); }
    void RecordAdded(size_t row) override { Note("added", row); }
    void BeforeRecordRemoved(size_t row) override { Note("before-remove", row); }
    void RecordRemoved(size_t row) override { Note("removed", row); }
    void RecordChanged(size_t row) override { Note("changed", row); }
    void BeforeListReplaced() override { Note("before-replace", 0); }
    void ListReplaced() override { Note("replaced", 0); }

private:
    void Note(const char* what, size_t row)
    {
        told.push_back(std::string(what) + " " + std::to_string(row) + "/" + std::to_string(m_doc.Count()));
    }
    const CSiteVigilDoc& m_doc;
};
} // namespace

TEST_F(SiteVigilDocTest, ObserversHearOfEveryChangeBeforeAndAfterIt)
{
    CRecordingObserver observer(m_doc);
    m_doc.AddObserver(&observer);
    ASSERT_TRUE(m_doc.AddRecord(Record("a")));
    ASSERT_TRUE(m_doc.AddRecord(Record("b")));
    m_doc.NotifyChanged(m_doc.RecordAt(1));
    m_doc.RemoveRecord(&m_doc.RecordAt(0));
    const Curl outside;
    m_doc.NotifyChanged(outside); // not in the list: nothing to tell
    CSiteVigilDoc::RecordList taken = m_doc.TakeAll();
    ASSERT_TRUE(m_doc.SaveToFile(m_settings.StorageDir() + "list.dat").ok());
    ASSERT_TRUE(m_doc.LoadFromFile(m_settings.StorageDir() + "list.dat").ok());
    m_doc.RemoveObserver(&observer);
    m_doc.AddRecord(Record("c"));
    EXPECT_EQ(observer.told,
              (std::vector<std::string>{"before-add 0/0", "added 0/1", "before-add 1/1", "added 1/2", "changed 1/2",
                                        "before-remove 0/2", "removed 0/1", "before-replace 0/1", "replaced 0/0",
                                        "before-replace 0/0", "replaced 0/0"}));
}
