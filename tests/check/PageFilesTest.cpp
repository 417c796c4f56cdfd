#include "PageCheckFixture.h"
#include "check/PageTexts.h"

#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/resource.h>
#include <vector>

using namespace std::string_literals;

TEST_F(PageCheckTest, FileNamesComeFromTheStorageFolderAndThePageId)
{
    m_record.m_strPageID = "100";
    const std::string base = m_settings.StorageDir() + "savedPages/100";
    EXPECT_EQ(GetPagesFolder(), m_settings.StorageDir() + "savedPages/");
    EXPECT_EQ(GetFileBase(m_record), base);
    EXPECT_EQ(GetSavedPagePath(m_record), base + ".html");
    EXPECT_EQ(GetPreviousPagePath(m_record), base + "_previous.html");
    EXPECT_EQ(GetDiffsPath(m_record), base + "_diffs.html");
    EXPECT_EQ(GetDebugLogPath(m_record), base + "_debugLog.log");
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), 0) << "naming a file gives out no id";

    // An id the list cannot have made never names a file, and neither does a missing one.
    Curl planted;
    planted.m_strPageID = "../../victim/notes";
    EXPECT_EQ(GetSavedPagePath(planted), "");
    planted.m_strPageID.clear();
    EXPECT_EQ(GetDebugLogPath(planted), "");
    EXPECT_FALSE(MakeDiffReport(planted));

    // The storage folder is read at each use; one written without its final slash still gets one.
    CTempDir other;
    const std::string folder = other.Path().substr(0, other.Path().size() - 1);
    CVigilPrefs::GetInstance().WriteString("InstallDir", folder);
    EXPECT_EQ(GetSavedPagePath(m_record), folder + "/savedPages/100.html");
    // An empty one falls back to the storage folder of this run rather than the working folder.
    CVigilPrefs::GetInstance().WriteString("InstallDir", "");
    EXPECT_EQ(GetPagesFolder(), m_settings.StorageDir() + "savedPages/");
}

TEST_F(PageCheckTest, FirstCheckMakesTheFolderTheLogAndTheCopy)
{
    std::filesystem::remove_all(m_settings.StorageDir() + "savedPages");
    Check("a<BR>b<BR><BR>c<br>d");
    EXPECT_FALSE(m_record.m_strPageID.empty());
    EXPECT_TRUE(FileExists(DebugLog()));
    EXPECT_EQ(ReadFileBytes(Saved()), "a<BR>\nb<BR>\n<BR>\nc<br>d");
    EXPECT_EQ(m_verdict.pageText, "a<BR>b<BR><BR>c<br>d") << "the page text stays as received";
    EXPECT_FALSE(FileExists(Previous()));

    // Nothing but the two files is left in the folder (no temporary copy).
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(m_settings.StorageDir() + "savedPages"))
        ++files;
    EXPECT_EQ(files, 2);
}

TEST_F(PageCheckTest, CopiesRotateOnlyWhenThePageDiffers)
{
    Check("first");
    Check("second");
    EXPECT_EQ(ReadFileBytes(Previous()), "first");
    EXPECT_EQ(ReadFileBytes(Saved()), "second");
    // An unchanged page replaces nothing: the copies stay the last two different versions.
    Check("second");
    EXPECT_EQ(ReadFileBytes(Previous()), "first");
    EXPECT_EQ(ReadFileBytes(Saved()), "second");
    Check("third");
    EXPECT_EQ(ReadFileBytes(Previous()), "second");
    EXPECT_EQ(ReadFileBytes(Saved()), "third");
}

TEST_F(PageCheckTest, CopyThatCannotBeWrittenKeepsBothCopiesAndFailsTheCheck)
{
    Check("first");
    Check("second");
    // Files may grow to 4 KB only, as on a full disk; the write fails instead of raising a signal.
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Check(std::string(100000, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(ReadFileBytes(Previous()), "first");
    EXPECT_EQ(ReadFileBytes(Saved()), "second");
    EXPECT_FALSE(FileExists(Saved() + ".part"));
    EXPECT_FALSE(m_record.m_bComplete);
    EXPECT_EQ(StatusText(m_record).rfind("Failed - cannot save the page copy", 0), 0u) << StatusText(m_record);
    EXPECT_NE(ReadFileBytes(DebugLog()).find("cannot save the page copy"), std::string::npos);
}

TEST_F(PageCheckTest, FailedCheckLeavesTheCopiesAndWritesTheLogHeaderOnly)
{
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "x";
    m_record.m_bFromStart = false;
    m_record.m_strStartText = "f";
    Check("first");
    Check("second");
    Serve("gone", 404);
    Check();
    EXPECT_EQ(ReadFileBytes(Previous()), "first");
    EXPECT_EQ(ReadFileBytes(Saved()), "second");
    std::istringstream log(ReadFileBytes(DebugLog()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], m_record.m_strURL);
    EXPECT_EQ(lines[1], "front page");
    EXPECT_EQ(lines[2].rfind("Date last changed: ", 0), 0u);
    EXPECT_EQ(lines[3].rfind("Date last checked: ", 0), 0u);
}

TEST_F(PageCheckTest, SavePageOffWritesOnlyTheLog)
{
    Check("kept");
    m_record.m_bSavePage = false;
    Check("not kept");
    Check("not kept either");
    EXPECT_EQ(ReadFileBytes(Saved()), "kept");
    EXPECT_FALSE(FileExists(Previous()));
    EXPECT_TRUE(FileExists(DebugLog()));

    // Switched on again, the copy before the gap becomes the previous one.
    m_record.m_bSavePage = true;
    Check("back");
    EXPECT_EQ(ReadFileBytes(Previous()), "kept");
    EXPECT_EQ(ReadFileBytes(Saved()), "back");
}

TEST_F(PageCheckTest, UnwritableFolderIsAFailedCheckThatStillJudgesThePage)
{
    // A file where the folder should be: nothing can be created in it.
    WriteFileBytes(m_settings.StorageDir() + "savedPages", "in the way");
    m_record.m_bWatchContent = true;
    m_record.m_bTextSearch = true;
    m_record.m_strSearchText = "page";
    Check("page");
    EXPECT_EQ(m_record.m_strChangeReason, "Text found");
    EXPECT_FALSE(m_record.m_bComplete) << "the copy could not be saved";
    EXPECT_EQ(m_record.m_nDownloads, 1);
    EXPECT_FALSE(ReadSavedPage(m_record));
    EXPECT_EQ(m_verdict.pageText, "page");
}

TEST_F(PageCheckTest, ReadSavedPageGivesCrLfLinesUpToAZeroByte)
{
    Check("x");
    WriteFileBytes(Saved(), "one\ntwo<BR>\nthree\0four\n"s);
    const Result<std::string> text = ReadSavedPage(m_record);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "one\r\ntwo<BR>\r\nthree");
}

TEST_F(PageCheckTest, DifferencesReportComparesTheTwoCopies)
{
    Check("<p>\nalpha\nbeta\n");
    ASSERT_TRUE(MakeDiffReport(m_record));
    std::string report = ReadFileBytes(GetDiffsPath(m_record));
    EXPECT_NE(report.find("Files are identical."), std::string::npos) << "no previous copy: an empty old side";
    EXPECT_NE(report.find("<code>" + Previous() + "</code>"), std::string::npos) << "the old side names its copy";
    EXPECT_EQ(report.find("/dev/null"), std::string::npos);

    // Case and leading blanks do not count as differences.
    Check("<P>\n   ALPHA\nbeta\n");
    ASSERT_TRUE(MakeDiffReport(m_record));
    report = ReadFileBytes(GetDiffsPath(m_record));
    EXPECT_NE(report.find("Files are identical."), std::string::npos);

    Check("<P>\nALPHA\ngamma\n");
    ASSERT_TRUE(MakeDiffReport(m_record));
    report = ReadFileBytes(GetDiffsPath(m_record));
    EXPECT_NE(report.find("1 changes between the files."), std::string::npos);
    EXPECT_NE(report.find(Previous()), std::string::npos);
}
