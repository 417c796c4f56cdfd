#include "check/PageHistory.h"
#include "TestEnv.h"
#include "check/PageFiles.h"
#include "check/RemovedPages.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"
#include "platform/Gzip.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class PageHistory : public testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(Pages());
        // Every save a second later than the one before, so that "oldest" is never a tie.
        Clock::SetForTesting([this] { return 1'800'000'000 + m_tick; });
    }
    void TearDown() override { Clock::SetForTesting({}); }
    std::string Pages() { return m_settings.StorageDir() + "savedPages/"; }
    std::string Base(const std::string& id = "1") { return Pages() + id; }
    // Saves the versions "v<first>" .. "v<last>" of the page one after the other, as checks would.
    void Save(int first, int last, const std::string& id = "1")
    {
        for (int n = first; n <= last; ++n, ++m_tick) {
            ASSERT_TRUE(
                SavePageCopy(Base(id), "v" + std::to_string(n) + "\n" + m_filler, "change " + std::to_string(n)));
            // The copy written when the clock says, as on a machine whose clock is the program's.
            const timespec when[2] = {{Clock::Now(), 0}, {Clock::Now(), 0}};
            ::utimensat(AT_FDCWD, (Base(id) + ".html").c_str(), when, 0);
        }
    }
    std::vector<int> Kept(const std::string& id = "1")
    {
        std::vector<int> numbers;
        Result<PageVersions> list = ListPageVersions(Base(id));
        for (const PageVersion& entry : list ? list->versions : std::vector<PageVersion>()) {
            if (entry.kind == VersionKind::History)
                numbers.push_back(entry.version.number);
        }
        return numbers;
    }
    std::string Version(int number, const std::string& id = "1")
    {
        Result<std::string> path = PageVersionFile(Base(id), number);
        return path ? ReadFileBytes(path.value()) : "error: " + path.error().message;
    }
    void Limit(int versions, int budgetMB)
    {
        CVigilPrefs::GetInstance().WriteInt(Pref::historyVersions.name, versions);
        CVigilPrefs::GetInstance().WriteInt(Pref::historyBudgetMB.name, budgetMB);
    }

    CIsolatedSettings m_settings;
    std::string m_filler;
    int64_t m_tick = 0;
};

} // namespace

TEST_F(PageHistory, KeepsTheOutgoingCopiesWithTheReasonThatReplacedThem)
{
    Save(1, 4);
    EXPECT_EQ(ReadFileBytes(Base() + ".html"), "v4\n") << "the copies stay as they were";
    EXPECT_EQ(ReadFileBytes(Base() + "_previous.html"), "v3\n");
    Result<PageVersions> list = ListPageVersions(Base());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->versions.size(), 4u);
    const char* kinds[] = {"history", "history", "previous", "current"};
    for (int i = 0; i < 4; ++i) {
        const PageVersion& entry = list->versions[i];
        EXPECT_EQ(entry.version.number, i + 1);
        EXPECT_EQ(entry.version.size, 3u);
        EXPECT_EQ(entry.kind == VersionKind::History        ? "history"
                      : entry.kind == VersionKind::Previous ? "previous"
                                                            : "current",
                  std::string(kinds[i]));
        // Each version carries the reason of the change that brought the next one.
        EXPECT_EQ(entry.version.reason, i < 3 ? "change " + std::to_string(i + 2) : "");
        EXPECT_EQ(Version(i + 1), "v" + std::to_string(i + 1) + "\n");
    }
    // An equal page replaces nothing and adds no version.
    ASSERT_TRUE(SavePageCopy(Base(), "v4\n", "again"));
    EXPECT_EQ(Kept(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Version(9), "error: the page has no version 9");
}

// Versions per page, the budget in MB, versions saved of 400 KB that hardly compress: what is kept.
struct LimitCase
{
    int versions;
    int budgetMB;
    int saved;
    std::vector<int> kept;
};

TEST_F(PageHistory, OldestVersionsGoFirstWhenALimitIsReached)
{
    // Bytes that deflate cannot shrink, so that each version weighs 400 KB compressed.
    uint32_t state = 12345;
    for (int i = 0; i < 400 * 1024; ++i) {
        state = state * 1103515245u + 12345u;
        m_filler += static_cast<char>(state >> 24);
    }
    const LimitCase cases[] = {
        {10, 500, 6, {1, 2, 3, 4}},
        {2, 500, 6, {3, 4}},
        {0, 500, 6, {}},
        {10, 1, 6, {3, 4}}, // 1 MB holds two versions of 400 KB
        {1, 1, 4, {2}},
    };
    int page = 0;
    for (const LimitCase& c : cases) {
        const std::string id = std::to_string(++page);
        Limit(c.versions, c.budgetMB);
        Save(1, c.saved, id);
        EXPECT_EQ(Kept(id), c.kept) << "versions " << c.versions << ", budget " << c.budgetMB;
        std::filesystem::remove_all(Base(id)); // the next case starts with the whole budget
        ForgetHistoryUsage();
    }

    // The budget counts all pages together: the oldest version of any page goes first.
    Limit(10, 1);
    Save(1, 3, "a");
    Save(1, 3, "b");
    Save(4, 6, "a");
    EXPECT_EQ(Kept("a"), (std::vector<int>{4}));
    EXPECT_EQ(Kept("b"), (std::vector<int>{1})) << "saved after a's versions 1 to 3";
    Save(7, 7, "a");
    EXPECT_EQ(Kept("a"), (std::vector<int>{4, 5}));
    EXPECT_EQ(Kept("b"), (std::vector<int>{}));
    // A version larger than the whole budget is not kept, and nothing else goes for it.
    m_filler += m_filler + m_filler;
    std::string note;
    EXPECT_TRUE(SavePageCopy(Base("c"), "c1" + m_filler, "x", &note));
    EXPECT_TRUE(SavePageCopy(Base("c"), "c2" + m_filler, "x", &note));
    EXPECT_TRUE(SavePageCopy(Base("c"), "c3" + m_filler, "x", &note));
    EXPECT_NE(note.find("is not kept in the history"), std::string::npos) << note;
    EXPECT_EQ(Kept("c"), (std::vector<int>{}));
    EXPECT_EQ(Kept("a"), (std::vector<int>{4, 5}));
    EXPECT_EQ(ReadFileBytes(Base("c") + "_previous.html").substr(0, 2), "c2");
}

TEST_F(PageHistory, DamagedHistoryLosesNothingElse)
{
    Save(1, 6);
    const std::string folder = HistoryFolderOf(Base());
    // A version cut short is listed, reading it fails, and the others read as before.
    const std::string packed = ReadFileBytes(folder + "2.gz");
    WriteFileBytes(folder + "2.gz", packed.substr(0, packed.size() / 2));
    EXPECT_EQ(Version(2).rfind("error: version 2 is damaged", 0), 0u) << Version(2);
    EXPECT_EQ(Version(3), "v3\n");
    // A version whose file is gone is left out, and counted.
    std::filesystem::remove(folder + "3.gz");
    Result<PageVersions> list = ListPageVersions(Base());
    ASSERT_TRUE(list);
    EXPECT_EQ(list->missing, 1);
    EXPECT_EQ(Kept(), (std::vector<int>{1, 2, 4}));
    // An index that is not one is rebuilt from the version files; the numbers go on from there.
    WriteFileBytes(folder + "index", "garbage\n");
    EXPECT_EQ(Kept(), (std::vector<int>{1, 2, 4}));
    Save(7, 7);
    EXPECT_EQ(Kept(), (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(Version(5), "v5\n");
    EXPECT_EQ(ReadFileBytes(Base() + ".html"), "v7\n");
    // Not gzip at all.
    EXPECT_FALSE(GzipDecompress("not gzip", 100));
    EXPECT_FALSE(GzipDecompress(GzipCompress(std::string(200, 'x')).value(), 100)) << "more than allowed";
}

TEST_F(PageHistory, RemovedPagesKeepTheirFilesUntilPurged)
{
    Save(1, 3);
    WriteFileBytes(Base() + "_debugLog.log", "log\n");
    ASSERT_TRUE(MovePageFilesToRemoved(Pages(), "1"));
    EXPECT_FALSE(std::filesystem::exists(Base() + ".html"));
    EXPECT_FALSE(std::filesystem::exists(HistoryFolderOf(Base())));
    const std::string removed = m_settings.StorageDir() + "removed/1/";
    EXPECT_EQ(ReadFileBytes(removed + "1.html"), "v3\n");
    EXPECT_TRUE(std::filesystem::exists(removed + "1/1.gz"));
    // The id given again and removed again: the first one's files stay.
    Save(1, 1);
    ASSERT_TRUE(MovePageFilesToRemoved(Pages(), "1"));
    EXPECT_EQ(ReadFileBytes(m_settings.StorageDir() + "removed/1-2/1.html"), "v1\n");
    EXPECT_EQ(ReadFileBytes(removed + "1.html"), "v3\n");
    Result<PurgeCount> purged = PurgeRemovedPages(Pages());
    ASSERT_TRUE(purged);
    EXPECT_EQ(purged->pages, 2);
    EXPECT_EQ(CountRemovedPages(Pages()).pages, 0);
}
