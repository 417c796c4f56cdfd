#include "run/ThreadPool.h"
#include "platform/ThreadPriority.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// What the items of one test did, shared between the workers and the test.
struct Journal
{
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> ran;
    std::vector<int> discarded;
    std::vector<void*> params;
    std::vector<int> nices;
    int destroyed = 0;
    int running = 0;
    int maxRunning = 0;
    bool gateOpen = false;

    void OpenGate()
    {
        std::lock_guard<std::mutex> guard(lock);
        gateOpen = true;
        changed.notify_all();
    }
    // Waits until the predicate holds; false after 10 seconds.
    template <typename Pred> bool WaitFor(Pred pred)
    {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, 10s, pred);
    }
};

class CJournalItem : public CWorkItem
{
public:
    // waitGate: the item stays running until the gate opens. holdUntil: until that many items run at once.
    CJournalItem(Journal& journal, int id, bool waitGate = false, int holdUntil = 0)
        : m_journal(journal)
        , m_id(id)
        , m_waitGate(waitGate)
        , m_holdUntil(holdUntil)
    { }
    ~CJournalItem() override
    {
        std::lock_guard<std::mutex> guard(m_journal.lock);
        ++m_journal.destroyed;
    }
    void Run(void* threadParam) override
    {
        std::unique_lock<std::mutex> guard(m_journal.lock);
        m_journal.ran.push_back(m_id);
        m_journal.params.push_back(threadParam);
        m_journal.nices.push_back(GetCurrentThreadNice());
        ++m_journal.running;
        m_journal.maxRunning = std::max(m_journal.maxRunning, m_journal.running);
        m_journal.changed.notify_all();
        if (m_waitGate)
            m_journal.changed.wait_for(guard, 10s, [this] { return m_journal.gateOpen; });
        if (m_holdUntil > 0)
            m_journal.changed.wait_for(guard, 10s, [this] { return m_journal.maxRunning >= m_holdUntil; });
        --m_journal.running;
        m_journal.changed.notify_all();
    }
    void Discard() override
    {
        std::lock_guard<std::mutex> guard(m_journal.lock);
        m_journal.discarded.push_back(m_id);
    }

private:
    Journal& m_journal;
    int m_id;
    bool m_waitGate;
    int m_holdUntil;
};

} // namespace

TEST(ThreadPool, OneWorkerRunsItemsInPostingOrder)
{
    Journal journal;
    CThreadPool pool;
    ASSERT_TRUE(pool.Create(1, 0));
    // The first item holds the worker so that the rest queue up behind it.
    ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, 0, true)));
    for (int id = 1; id < 20; ++id)
        ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, id)));
    journal.OpenGate();
    ASSERT_TRUE(journal.WaitFor([&] { return journal.ran.size() == 20 && journal.running == 0; }));
    pool.Shutdown();

    std::vector<int> expected;
    for (int id = 0; id < 20; ++id)
        expected.push_back(id);
    EXPECT_EQ(journal.ran, expected);
    EXPECT_TRUE(journal.discarded.empty());
    EXPECT_EQ(journal.destroyed, 20);
}

TEST(ThreadPool, ShutdownFinishesTheRunningItemAndDiscardsTheQueuedOnes)
{
    Journal journal;
    CThreadPool pool;
    ASSERT_TRUE(pool.Create(1, 0));
    ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, 0, true)));
    ASSERT_TRUE(journal.WaitFor([&] { return journal.running == 1; }));
    for (int id = 1; id <= 5; ++id)
        ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, id)));
    EXPECT_EQ(pool.QueuedCount(), 5u);

    pool.SignalShutdown();
    journal.OpenGate();
    pool.Shutdown();

    EXPECT_EQ(journal.ran, std::vector<int>{0});
    EXPECT_EQ(journal.discarded, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(journal.destroyed, 6);
    EXPECT_FALSE(pool.IsRunning());

    // After a shutdown an item is refused and discarded, and the pool can be started again.
    EXPECT_FALSE(pool.Post(std::make_unique<CJournalItem>(journal, 6)));
    EXPECT_EQ(journal.discarded.back(), 6);
    ASSERT_TRUE(pool.Create(1, 0));
    ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, 7)));
    ASSERT_TRUE(journal.WaitFor([&] { return journal.ran.size() == 2 && journal.running == 0; }));
    pool.Shutdown();
    EXPECT_EQ(journal.destroyed, 8);
}

TEST(ThreadPool, EachPostWakesAWorkerOfItsOwn)
{
    // Every item waits until all four run at once, which only happens when each post woke a
    // different worker.
    constexpr int kWorkers = 4;
    Journal journal;
    int params[kWorkers] = {};
    std::vector<void*> threadParams;
    for (int& param : params)
        threadParams.push_back(&param);
    CThreadPool pool;
    ASSERT_TRUE(pool.Create(kWorkers, 0, threadParams));
    EXPECT_EQ(pool.ThreadCount(), kWorkers);
    for (int id = 0; id < kWorkers; ++id)
        ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, id, false, kWorkers)));
    ASSERT_TRUE(journal.WaitFor([&] { return journal.ran.size() == kWorkers && journal.running == 0; }));
    pool.Shutdown();

    EXPECT_EQ(journal.maxRunning, kWorkers);
    std::set<void*> distinct(journal.params.begin(), journal.params.end());
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kWorkers));
    EXPECT_EQ(distinct, std::set<void*>(threadParams.begin(), threadParams.end()));
}

TEST(ThreadPool, RefusesToStartWithoutThreadsOrTwice)
{
    CThreadPool pool;
    EXPECT_FALSE(pool.Create(0, 0));
    EXPECT_FALSE(pool.IsRunning());
    ASSERT_TRUE(pool.Create(2, 0));
    EXPECT_FALSE(pool.Create(2, 0));
    EXPECT_EQ(pool.ThreadCount(), 2);
}

class ThreadPoolPriority : public testing::TestWithParam<std::pair<int, int>>
{
};

TEST_P(ThreadPoolPriority, WorkersRunAtTheNiceValueOfTheLevel)
{
    const auto [level, nice] = GetParam();
    if (GetCurrentThreadNice() > nice)
        GTEST_SKIP() << "this process already runs at a nice value above " << nice;
    Journal journal;
    CThreadPool pool;
    ASSERT_TRUE(pool.Create(1, level));
    ASSERT_TRUE(pool.Post(std::make_unique<CJournalItem>(journal, 0)));
    ASSERT_TRUE(journal.WaitFor([&] { return journal.ran.size() == 1 && journal.running == 0; }));
    pool.Shutdown();
    ASSERT_EQ(journal.nices.size(), 1u);
    EXPECT_EQ(journal.nices[0], nice);
}

INSTANTIATE_TEST_SUITE_P(Levels, ThreadPoolPriority,
                         testing::Values(std::make_pair(-2, 10), std::make_pair(-1, 5), std::make_pair(0, 0)));
