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

    // A page never checked has no files yet, and must not use up a page id that is never saved.
    EXPECT_EQ(Run({"diff", "New"}), kExitFailed);
    EXPECT_NE(m_err.find("New"), std::string::npos);
    EXPECT_EQ(m_out, "");
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt("urlID", 0), 0);
}
