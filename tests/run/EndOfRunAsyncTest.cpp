// The closing steps of a run never hold the front end's thread: the sound goes on by callback, the
// e-mail talks to the server on a thread of its own, and the command still follows.

#include "RunFixture.h"
#include "SmtpTestServer.h"
#include "notify/Outbox.h"
#include "notify/UpdateLog.h"
#include "platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <thread>

using EndOfRunAsync = RunFixture;

TEST_F(EndOfRunAsync, SilentMailServerLeavesTheFrontEndFreeAndTheCommandFollows)
{
    // A server that accepts the connection and says nothing; it hangs up after a while, which ends
    // the e-mail step as a failure (as the client's own deadline would, later).
    CSmtpTestServer smtp;
    smtp.SetScript({CSmtpTestServer::Pause(2000), CSmtpTestServer::Close()});
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::emailAddress, "vigil@example.test");
    SetText(Pref::emailRecipients, "user@example.test");
    SetText(Pref::emailUsername, "vigil");
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, smtp.Port());
    SetInt(Pref::soundPreference, 1);
    const std::string commandOutput = settings.StorageDir() + "command-ran";
    SetInt(Pref::flagRunCommand, 1);
    SetText(Pref::commandToRun, "echo ran > '" + commandOutput + "'");
    frontEnd.holdSound = true;
    AddPage("page", "content", true);

    run->CheckAll();
    ASSERT_TRUE(DispatchUntil([this] { return !run->IsRunning(); }));
    // The steps wait for the sound to end, without waiting on this thread.
    ASSERT_TRUE(frontEnd.soundEnded);
    EXPECT_TRUE(run->IsEndingRun());
    EXPECT_EQ(smtp.Connections(), 0);
    frontEnd.soundEnded();

    // Another thread posts a tick every 10 ms; this thread handles them while the e-mail step lasts.
    std::atomic<bool> ticking{true};
    std::atomic<int> handled{0};
    std::atomic<long long> worstUs{0};
    std::thread ticker([&] {
        while (ticking) {
            const auto posted = std::chrono::steady_clock::now();
            queue.Post([&, posted] {
                const auto us
                    = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - posted)
                          .count();
                worstUs = std::max(worstUs.load(), static_cast<long long>(us));
                ++handled;
            });
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    bool commandBeforeMail = false;
    const bool ended = DispatchUntil([&] {
        commandBeforeMail = commandBeforeMail || (run->IsEndingRun() && FileExists(commandOutput));
        return !run->IsEndingRun();
    });
    const int handledWhileMailing = handled;
    ticking = false;
    ticker.join();
    ASSERT_TRUE(ended);
    RecordProperty("worst_tick_latency_us", std::to_string(worstUs.load()));

    EXPECT_GT(handledWhileMailing, 50);
    EXPECT_FALSE(commandBeforeMail);
    EXPECT_EQ(frontEnd.With("error:").size(), 1u);
    EXPECT_EQ(run->LastEndOfRun().failures.size(), 1u);
    EXPECT_TRUE(WaitForFile(commandOutput));
}

TEST_F(EndOfRunAsync, StepsWaitForTheSummaryAndLogWhatTheRunFoundWhateverTheListDoesMeanwhile)
{
    SetInt(Pref::showSummary, 1);
    SetInt(Pref::popupNotify, 1);
    frontEnd.holdSummary = true;
    Curl& page = AddPage("page", "content", true);

    run->CheckAll();
    ASSERT_TRUE(DispatchUntil([this] { return !run->IsRunning(); }));
    ASSERT_TRUE(frontEnd.summaryClosed);
    EXPECT_TRUE(run->IsEndingRun());
    EXPECT_TRUE(frontEnd.With("popup:").empty());
    // While the summary is up the user removes the page; the log still gets the run's change.
    doc.RemoveRecord(&page);
    frontEnd.summaryClosed();
    // The notifications are written to the outbox off this thread; the steps go on when they are.
    ASSERT_TRUE(DispatchUntil([this] { return !run->IsEndingRun(); }));
    EXPECT_EQ(frontEnd.With("popup:").size(), 1u);
    EXPECT_EQ(frontEnd.events.back(), "closed:0");
    CUpdateLog log(settings.StorageDir());
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.Entries().size(), 1u);
}

TEST_F(EndOfRunAsync, RunGoneRightAfterItsEndStillLeavesItsNotificationsInTheOutbox)
{
    // The program ends just as a run does: the closing steps are still writing the run's e-mail to
    // the outbox, from the differences of the pages, on a thread of their own.
    SetInt(Pref::showSummary, 0);
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::emailAddress, "vigil@example.test");
    SetText(Pref::emailRecipients, "user@example.test");
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, 9);
    const auto pageText = [](const char* word) {
        std::string body;
        for (int line = 0; line < 20000; ++line)
            body += "<p>" + std::string(line % 7 == 0 ? word : "line") + " " + std::to_string(line) + "</p>\n";
        return body;
    };
    for (int page = 0; page < 10; ++page)
        AddPage("page" + std::to_string(page), pageText("old"), true).m_bSavePage = true;
    run->CheckAll();
    ASSERT_TRUE(WaitForRunEnd());
    for (int page = 0; page < 10; ++page)
        server.SetPage("/page" + std::to_string(page), pageText("new"));
    COutbox outbox(settings.StorageDir());
    ASSERT_TRUE(outbox.Open());
    const size_t before = outbox.Listed(Clock::Now())->size();

    run->CheckAll();
    ASSERT_TRUE(DispatchUntil([this] { return !run->IsRunning(); }));
    ASSERT_TRUE(run->IsEndingRun());
    run.reset();

    const Result<std::vector<OutboxRow>> listed = outbox.Listed(Clock::Now());
    ASSERT_TRUE(listed) << listed.error().message;
    EXPECT_EQ(listed->size(), before + 1);
}

TEST_F(EndOfRunAsync, ProgramEndingWhileTheSummaryIsUpStillLogsTheRunsChanges)
{
    SetInt(Pref::showSummary, 1);
    frontEnd.holdSummary = true;
    AddPage("page", "content", true);

    run->CheckAll();
    ASSERT_TRUE(DispatchUntil([this] { return !run->IsRunning(); }));
    ASSERT_TRUE(frontEnd.summaryClosed);
    // The user quits with the summary still up.
    run.reset();

    CUpdateLog log(settings.StorageDir());
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.Entries().size(), 1u);
}
