// Work handed off the front end's thread: a background job and the single-page check.

#include "RunFixture.h"
#include "check/PageCheck.h"
#include "check/PageTexts.h"
#include "run/BackgroundJob.h"
#include "run/SinglePageJob.h"

#include <future>
#include <thread>

using Jobs = RunFixture;

TEST_F(Jobs, BackgroundJobDeliversOnTheFrontEndThreadOrNotAtAll)
{
    const std::thread::id frontEndThread = std::this_thread::get_id();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int delivered = 0;
    {
        CBackgroundJob job(queue);
        ASSERT_TRUE(job.Start<int>(
            [released] {
                released.wait();
                return 42;
            },
            [&](int value) {
                EXPECT_EQ(value, 42);
                EXPECT_EQ(std::this_thread::get_id(), frontEndThread);
                ++delivered;
            }));
        EXPECT_TRUE(job.IsRunning());
        EXPECT_FALSE(job.Start<int>([] { return 0; }, [](int) {}));
        release.set_value();
        ASSERT_TRUE(DispatchUntil([&] { return !job.IsRunning(); }));
        EXPECT_EQ(delivered, 1);

        // A job destroyed while its work runs drops the result without waiting for it.
        std::promise<void> second;
        std::shared_future<void> secondReleased = second.get_future().share();
        CBackgroundJob dropped(queue);
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> workEnded = done->get_future();
        ASSERT_TRUE(dropped.Start<int>(
            [secondReleased, done] {
                secondReleased.wait();
                done->set_value();
                return 1;
            },
            [&](int) { ++delivered; }));
        // Leaving the scope destroys it while the work waits.
        second.set_value();
        workEnded.wait();
    }
    queue.WaitAndDispatch(std::chrono::milliseconds(200));
    EXPECT_EQ(delivered, 1);
}

TEST_F(Jobs, SinglePageCheckDeliversACheckedCopy)
{
    Curl& record = AddPage("page", "<title>Page</title>", true);
    CSinglePageJob job(queue);
    std::unique_ptr<Curl> checked;
    std::string pageText;
    ASSERT_TRUE(job.Start(record, [&](std::unique_ptr<Curl> result, std::string text) {
        checked = std::move(result);
        pageText = std::move(text);
    }));
    ASSERT_TRUE(DispatchUntil([&] { return checked != nullptr; }));
    EXPECT_FALSE(job.IsRunning());
    EXPECT_EQ(checked->GetSerial(), record.GetSerial());
    EXPECT_EQ(checked->m_nChecks, 1);
    EXPECT_EQ(StatusText(*checked), "OK");
    EXPECT_EQ(GetPageTitle(pageText), "Page");
    // The list's record changes only when the receiver applies the results.
    EXPECT_EQ(record.m_nChecks, 0);
    record.ApplyCheckResults(*checked);
    EXPECT_EQ(record.m_nChecks, 1);
    EXPECT_TRUE(record.GetChanged());
}

TEST_F(Jobs, SinglePageCheckCancelsAtOnceAndCanBeDestroyedWhileRunning)
{
    Curl& slow = AddSlowPage("slow");
    int delivered = 0;
    {
        CSinglePageJob job(queue);
        ASSERT_TRUE(job.Start(slow, [&](std::unique_ptr<Curl>, std::string) { ++delivered; }));
        ASSERT_TRUE(gate.WaitEntered());
        job.Cancel();
        EXPECT_FALSE(job.IsRunning());

        // A new check after the cancel runs normally.
        Curl& quick = AddPage("quick", "quick");
        std::unique_ptr<Curl> checked;
        ASSERT_TRUE(job.Start(quick, [&](std::unique_ptr<Curl> result, std::string) { checked = std::move(result); }));
        ASSERT_TRUE(DispatchUntil([&] { return checked != nullptr; }));
        EXPECT_EQ(StatusText(*checked), "OK");

        // Destroyed with a download in progress that the server holds.
        ASSERT_TRUE(job.Start(slow, [&](std::unique_ptr<Curl>, std::string) { ++delivered; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    gate.Open();
    queue.WaitAndDispatch(std::chrono::milliseconds(200));
    EXPECT_EQ(delivered, 0);
}
