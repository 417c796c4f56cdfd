#include "cli/CliApp.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

class DiffCommand : public testing::Test
{
protected:
    int Run(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        const int status = RunCli(args, out, err);
        m_out = out.str();
        m_err = err.str();
        return status;
    }

    // A list of two pages: "Checked" with id 7 and both copies on disk, "New" never checked.
    void MakeList()
    {
        CSiteVigilDoc doc;
        auto checked = std::make_unique<Curl>();
        checked->m_strName = "Checked";
        checked->m_strURL = "http://127.0.0.1/a";
        checked->m_strPageID = "7";
        doc.AddRecord(std::move(checked));
        auto fresh = std::make_unique<Curl>();
        fresh->m_strName = "New";
        fresh->m_strURL = "http://127.0.0.1/b";
        doc.AddRecord(std::move(fresh));
        ASSERT_TRUE(doc.SaveDefault());

        std::filesystem::create_directories(Pages());
        WriteFileBytes(Pages() + "7_previous.html", "<p>\nold line\n");
        WriteFileBytes(Pages() + "7.html", "<P>\nnew line\n");
    }
    std::string Pages() { return m_settings.StorageDir() + "savedPages/"; }

    CIsolatedSettings m_settings;
    std::string m_out;
    std::string m_err;
};

} // namespace

TEST_F(DiffCommand, WritesTheReportAndPrintsItsPath)
{
    MakeList();
    ASSERT_EQ(Run({"diff", "Checked"}), kExitOk) << m_err;
    EXPECT_EQ(m_out, Pages() + "7_diffs.html\n");
    const std::string report = ReadFileBytes(Pages() + "7_diffs.html");
    EXPECT_NE(report.find("1 changes between the files."), std::string::npos) << report;
}

TEST_F(DiffCommand, RefusesWhatItCannotReport)
{
    MakeList();
    EXPECT_EQ(Run({"diff"}), kExitUsage);
    EXPECT_EQ(Run({"diff", "1", "2"}), kExitUsage);
    EXPECT_EQ(Run({"diff", "Missing"}), kExitUsage);
    EXPECT_EQ(Run({"diff", "3"}), kExitUsage);

    // A page never checked has no files yet, and asking for them must not use up a page id.
    const int counter = CVigilPrefs::GetInstance().ReadInt("urlID", 0);
    EXPECT_EQ(Run({"diff", "New"}), kExitFailed);
    EXPECT_NE(m_err.find("New"), std::string::npos);
    EXPECT_EQ(m_out, "");
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), counter);
}

// Pages without a current copy fail with the reason; a page with one copy gets its report and a note.
TEST_F(DiffCommand, MissingCopiesAreExplained)
{
    struct Case
    {
        const char* name;
        int checks, downloads;
        bool save;
        const char* files; // "" none, "c" current only
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"failed", 1, 0, true, "", kExitFailed, "has never been downloaded"},
        {"unsaved", 2, 2, false, "", kExitFailed, "copies are not kept"},
        {"deleted", 2, 2, true, "", kExitFailed, "saved copy is missing"},
        {"once", 1, 1, true, "c", kExitOk, "has no earlier version yet"},
    };
    CSiteVigilDoc doc;
    char id = 'a';
    for (const Case& c : cases) {
        auto record = std::make_unique<Curl>();
        record->m_strName = c.name;
        record->m_strURL = "http://127.0.0.1/";
        record->m_nChecks = c.checks;
        record->m_nDownloads = c.downloads;
        record->m_bSavePage = c.save;
        record->m_strPageID = std::string(1, id++);
        doc.AddRecord(std::move(record));
    }
    ASSERT_TRUE(doc.SaveDefault());
    std::filesystem::create_directories(Pages());
    WriteFileBytes(Pages() + "d.html", "<p>\nonly line\n");

    for (const Case& c : cases) {
        EXPECT_EQ(Run({"diff", c.name}), c.status) << c.name << ": " << m_err;
        EXPECT_NE(m_err.find(c.says), std::string::npos) << c.name << ": " << m_err;
        EXPECT_EQ(m_err.find("cannot open"), std::string::npos) << m_err;
    }
    EXPECT_EQ(m_out, Pages() + "d_diffs.html\n");
    EXPECT_NE(ReadFileBytes(Pages() + "d_diffs.html").find("only line"), std::string::npos);
}
