#include "RunFixture.h"
#include "notify/UpdateLog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A loopback port on which nobody listens.
int ClosedPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

} // namespace

using CheckRun = RunFixture;

TEST_F(CheckRun, RunOverThreePagesEndsAfterTheThirdReport)
{
    AddPage("one", "1");
    AddPage("two", "2");
    AddPage("three", "3");
    run->CheckAll();
    ASSERT_TRUE(run->IsRunning());
    EXPECT_EQ(run->PagesOutstanding(), 3);
    // numThreads reads 1 by default: two workers.
    EXPECT_EQ(run->WorkerCount(), 2);
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(frontEnd.With("checked:").size(), 3u);
    EXPECT_EQ(run->PagesChecked(), 3);
    EXPECT_EQ(frontEnd.With("summary").size(), 1u);
    EXPECT_EQ(frontEnd.Count("summary:Completed checking 3 URLs.\n0 new changes.\n0 changes total.\n"), 1);
    // The run is told to start before any page reports and to end before the summary; the closing
    // steps are over last.
    EXPECT_EQ(frontEnd.IndexOf("run-start:"), 0);
    EXPECT_EQ(frontEnd.events.front(), "run-start:3 all");
    EXPECT_LT(frontEnd.IndexOf("run-end:"), frontEnd.IndexOf("summary"));
    EXPECT_EQ(frontEnd.With("run-end:"), std::vector<std::string>{"run-end:3|0|0"});
    EXPECT_EQ(frontEnd.events.back(), "closed:0");
    // Each report says how far the run has got.
    EXPECT_EQ(frontEnd.progress, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt(Pref::totalUrlsChecked), 3);
    // The run saves the list when it ends.
    ASSERT_TRUE(run->LastSaveResult().ok());
    EXPECT_TRUE(FileExists(doc.GetDefaultPath()));
    for (const auto& record : doc.Records()) {
        EXPECT_EQ(record->m_nChecks, 1) << record->GetName();
        // The size of the download is a result of the check.
        EXPECT_EQ(record->GetSize(), 1) << record->GetName();
    }

    // The next run counts on from the first.
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(run->PagesChecked(), 6);
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt(Pref::totalUrlsChecked), 6);
}

TEST_F(CheckRun, WorkerCountIsNumThreadsPlusOne)
{
    AddPage("page", "x");
    for (int numThreads : {0, 3}) {
        SetInt(Pref::numThreads, numThreads);
        run->CheckAll();
        EXPECT_EQ(run->WorkerCount(), numThreads + 1);
        ASSERT_TRUE(WaitForRunEnd());
    }
}

TEST_F(CheckRun, EndOfRunCountsAndNotifiesInOrder)
{
    // Ten pages: two find their first content (new changes), one more was marked changed before.
    for (int i = 0; i < 10; ++i)
        AddPage("page" + std::to_string(i), "content " + std::to_string(i), i == 0 || i == 5);
    (*std::next(doc.Records().begin(), 7))->m_bChanged = true;

    const std::string commandOutput = settings.StorageDir() + "command-ran";
    SetInt(Pref::showSummary, 1);
    SetInt(Pref::popupNotify, 1);
    SetInt(Pref::popupDuration, 5);
    SetInt(Pref::soundPreference, 2);
    SetText(Pref::soundFilename, "/no/such/sound.wav");
    // The mail server is unreachable; the command must still run after the failed e-mail.
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::emailAddress, "vigil@example.test");
    SetText(Pref::emailRecipients, "user@example.test");
    SetText(Pref::emailUsername, "vigil");
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, ClosedPort());
    SetInt(Pref::flagRunCommand, 1);
    SetText(Pref::commandToRun, "echo ran > '" + commandOutput + "'");

    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(run->NewChanges(), 2);
    EXPECT_EQ(run->PagesMarkedChanged(), 3);
    const std::string summary = "summary-box:Completed checking 10 URLs.\n2 new changes.\n3 changes total.\n";
    const int summaryAt = frontEnd.IndexOf(summary);
    const int popupAt = frontEnd.IndexOf("popup:2 new changes.\n3 changes total.|800|5000|500");
    const int soundAt = frontEnd.IndexOf("sound:2|/no/such/sound.wav");
    const int mailAt = frontEnd.IndexOf("error:Couldn't connect to server!");
    ASSERT_GE(summaryAt, 0);
    ASSERT_GE(popupAt, 0);
    ASSERT_GE(soundAt, 0);
    ASSERT_GE(mailAt, 0);
    EXPECT_LT(summaryAt, popupAt);
    EXPECT_LT(popupAt, soundAt);
    EXPECT_LT(soundAt, mailAt);
    EXPECT_EQ(frontEnd.With("run-end:"), std::vector<std::string>{"run-end:10|2|3"});
    EXPECT_TRUE(WaitForFile(commandOutput));

    // The update log holds the two pages that changed in this run.
    CUpdateLog log(settings.StorageDir());
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.Entries().size(), 2u);
}

TEST_F(CheckRun, WithoutNewChangesOnlyTheLogIsBroughtUpToDate)
{
    AddPage("watched", "same content", true);
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(run->NewChanges(), 1);

    SetInt(Pref::popupNotify, 1);
    SetInt(Pref::soundPreference, 1);
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, ClosedPort());
    CUpdateLog log(settings.StorageDir());
    std::remove(log.GetPagePath().c_str());
    frontEnd.events.clear();

    // Same content again: still marked changed, but nothing new.
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(run->NewChanges(), 0);
    EXPECT_EQ(frontEnd.Count("summary:Completed checking 1 URLs.\n0 new changes.\n1 changes total.\n"), 1);
    EXPECT_TRUE(frontEnd.With("popup:").empty());
    EXPECT_TRUE(frontEnd.With("sound:").empty());
    EXPECT_TRUE(frontEnd.With("error:").empty());
    EXPECT_TRUE(FileExists(log.GetPagePath()));
}

// Page A changes once; two later runs over page B alone must not log A's change again.
TEST_F(CheckRun, AChangeIsLoggedOnce)
{
    Curl& a = AddPage("a", "first", true);
    Curl& b = AddPage("b", "steady", true);
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    server.SetPage("/a", "second");
    ASSERT_TRUE(run->CheckPages({&a}));
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_TRUE(a.GetNewChange());
    CUpdateLog log(settings.StorageDir());
    ASSERT_TRUE(log.LoadLog());
    const size_t logged = log.Entries().size();

    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(run->CheckPages({&b}));
        ASSERT_TRUE(WaitForRunEnd());
    }
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.Entries().size(), logged);
}

class CheckRunNoData : public RunFixture, public testing::WithParamInterface<int>
{
};

TEST_P(CheckRunNoData, EmptyPageWarnsOnlyWhenAsked)
{
    SetInt(Pref::warnNoData, GetParam());
    AddPage("Empty", "");
    AddPage("Full", "text");
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("warning:"),
              GetParam() ? std::vector<std::string>{"warning:Warning: Empty contains no data"}
                         : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(WarnNoData, CheckRunNoData, testing::Values(0, 1));

TEST_F(CheckRun, ProgressIsShownInTheRowInKilobytes)
{
    AddPage("big", std::string(1000 * 1024, 'b'));
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    const int progressAt = frontEnd.IndexOf("progress:big 1000 k");
    ASSERT_GE(progressAt, 0);
    EXPECT_LT(progressAt, frontEnd.IndexOf("checked:big"));
}

TEST_F(CheckRun, StopDiscardsQueuedPagesAndGivesNoSummary)
{
    SetInt(Pref::numThreads, 0);
    AddSlowPage("slow");
    AddPage("a", "a");
    AddPage("b", "b");
    AddPage("c", "c");
    run->CheckAll();
    ASSERT_TRUE(gate.WaitEntered());

    run->StopChecking();
    EXPECT_FALSE(run->IsRunning());
    for (const char* path : {"/a", "/b", "/c"})
        EXPECT_EQ(server.RequestCount(path), 0) << path;
    EXPECT_EQ(frontEnd.With("run-end:"), std::vector<std::string>{"run-end:stopped"});

    // The stopped page's late report is still queued when the next run starts: it must neither count
    // nor end the new run early. The new run's own check of that page is held until the others are in,
    // so a stale report taken for it would end the run before it.
    CResponseGate second;
    server.SetHandler("/slow", [&](const CHttpTestServer::Request&) {
        second.Pass();
        return CHttpTestServer::Response{200, "slow page", {}};
    });
    SetInt(Pref::numThreads, 3);
    gate.Open();
    run->CheckAll();
    const bool othersIn = DispatchUntil([&] {
        return !run->IsRunning()
            || (frontEnd.Count("checked:a") == 1 && frontEnd.Count("checked:b") == 1
                && frontEnd.Count("checked:c") == 1);
    });
    const bool endedEarly = !run->IsRunning();
    second.Open();
    ASSERT_TRUE(othersIn);
    EXPECT_FALSE(endedEarly) << "the stale report ended the new run";
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("summary").size(), 1u);
    EXPECT_EQ(frontEnd.Count("checked:slow"), 1);
    EXPECT_EQ(run->PagesChecked(), 4);
    for (const char* path : {"/a", "/b", "/c"})
        EXPECT_EQ(server.RequestCount(path), 1) << path;
}

TEST_F(CheckRun, NoSecondRunWhileOneIsInProgress)
{
    AddSlowPage("slow");
    Curl& other = AddPage("other", "o");
    AddPage("third", "t");
    run->CheckAll();
    ASSERT_TRUE(gate.WaitEntered());

    run->CheckAll();
    EXPECT_FALSE(run->CheckSelected(&other));
    EXPECT_FALSE(run->CheckPages({&other}));
    EXPECT_EQ(run->PagesOutstanding() + static_cast<int>(frontEnd.With("checked:").size()), 3);

    gate.Open();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("summary").size(), 1u);
    EXPECT_EQ(run->PagesChecked(), 3);
    for (const char* path : {"/slow", "/other", "/third"})
        EXPECT_EQ(server.RequestCount(path), 1) << path;
}

TEST_F(CheckRun, CheckSelectedChecksOnePageAndKeepsTheCounters)
{
    AddPage("first", "1", true);
    Curl& second = AddPage("second", "2");
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(run->NewChanges(), 1);
    frontEnd.events.clear();

    EXPECT_FALSE(run->CheckSelected(nullptr));
    ASSERT_TRUE(run->CheckSelected(&second));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(frontEnd.With("checked:"), std::vector<std::string>{"checked:second"});
    EXPECT_EQ(frontEnd.events.front(), "run-start:1 one");
    EXPECT_EQ(run->NewChanges(), 1);
    EXPECT_EQ(server.RequestCount("/first"), 1);
    EXPECT_EQ(server.RequestCount("/second"), 2);
}

TEST_F(CheckRun, SavingTheListStopsARunInProgress)
{
    AddSlowPage("slow");
    run->CheckAll();
    ASSERT_TRUE(gate.WaitEntered());
    ASSERT_TRUE(doc.SaveDefault().ok());
    EXPECT_FALSE(run->IsRunning());
    gate.Open();
    queue.WaitAndDispatch(std::chrono::milliseconds(200));
    EXPECT_TRUE(frontEnd.With("summary").empty());
}

TEST_F(CheckRun, StoredThreadCountNoPageAllowsReadsAsTheNearestAllowed)
{
    // -1 would leave the pool without threads and the run could not start.
    SetInt(Pref::numThreads, -1);
    AddPage("page", "p");
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_TRUE(frontEnd.With("error:").empty());
    EXPECT_EQ(frontEnd.With("summary").size(), 1u);
    EXPECT_EQ(server.RequestCount("/page"), 1);
}

TEST_F(CheckRun, EmptyListStartsNothing)
{
    run->CheckAll();
    EXPECT_FALSE(run->IsRunning());
    EXPECT_TRUE(frontEnd.events.empty());
}
