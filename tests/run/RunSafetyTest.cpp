// The list during a run: the front end's thread reads, removes and edits records while workers check
// their copies. Meant to run under ThreadSanitizer and AddressSanitizer as well.

#include "RunFixture.h"
#include "check/PageTexts.h"

#include <string>

using RunSafety = RunFixture;

TEST_F(RunSafety, RowsCanBeReadThroughoutARun)
{
    constexpr size_t kPages = 200;
    SetInt(Pref::numThreads, 3);
    for (size_t i = 0; i < kPages; ++i)
        AddPage("p" + std::to_string(i), std::string(2000 + i, 'x'), true);

    run->CheckAll();
    size_t passes = 0;
    size_t textBytes = 0;
    const bool ended = DispatchUntil([&] {
        // What a list view's paint reads, for every row, between the reports.
        for (size_t row = 0; row < doc.Count(); ++row) {
            const Curl& record = doc.RecordAt(row);
            textBytes += record.GetName().size() + record.GetURL().size() + ChangeText(record).size()
                + StatusText(record).size() + SizeText(record).size() + LastCheckedText(record).size()
                + LastModifiedText(record).size();
        }
        ++passes;
        return !run->IsRunning() && !run->IsEndingRun();
    });
    ASSERT_TRUE(ended);
    EXPECT_GT(textBytes, 0u);
    EXPECT_GT(passes, 1u);
    EXPECT_EQ(run->PagesChecked(), static_cast<int>(kPages));
    EXPECT_EQ(run->NewChanges(), static_cast<int>(kPages));
    for (size_t row = 0; row < kPages; ++row) {
        const Curl& record = doc.RecordAt(row);
        EXPECT_EQ(record.m_nChecks, 1) << row;
        EXPECT_EQ(record.GetSize(), static_cast<int>(2000 + row)) << row;
        EXPECT_EQ(StatusText(record), "OK") << row;
    }
}

TEST_F(RunSafety, RemovedAndEditedPagesKeepWhatTheUserDid)
{
    SetInt(Pref::numThreads, 3);
    AddSlowPage("removed");
    Curl& edited = AddPage("edited", "edited page", true);
    Curl& cleared = AddPage("cleared", "cleared page");
    cleared.MarkChanged("Checksum changed");
    Curl& kept = AddPage("kept", "kept page", true);

    run->CheckAll();
    ASSERT_TRUE(gate.WaitEntered());
    // While the slow page is being fetched and before any report is taken: the user removes it (the
    // record is destroyed), renames and re-watches another, and clears the third's mark.
    std::unique_ptr<Curl> gone = doc.RemoveRecord(&doc.RecordAt(0));
    ASSERT_TRUE(gone);
    gone.reset();
    edited.m_strName = "renamed";
    edited.m_bWatchContent = false;
    edited.MarkEdited();
    CListSession::ClearChange(cleared);
    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(run->PagesChecked(), 4);
    EXPECT_EQ(doc.Count(), 3u);
    EXPECT_EQ(frontEnd.Count("checked:removed"), 0);
    // The check of the edited page judged the settings the user replaced: its results are dropped.
    EXPECT_EQ(edited.m_strName, "renamed");
    EXPECT_FALSE(edited.m_bWatchContent);
    EXPECT_EQ(edited.m_nChecks, 0);
    EXPECT_FALSE(edited.GetChanged());
    EXPECT_EQ(frontEnd.Count("checked:renamed"), 1);
    // The results reach the page whose mark was cleared, but the mark stays cleared: no new change.
    EXPECT_EQ(cleared.m_nChecks, 1);
    EXPECT_FALSE(cleared.GetChanged());
    EXPECT_TRUE(kept.GetChanged());
    EXPECT_EQ(kept.m_strChangeReason, "Checksum changed");
    EXPECT_EQ(run->NewChanges(), 1);
}
