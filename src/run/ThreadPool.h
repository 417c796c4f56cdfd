#pragma once

#include "run/WorkItem.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// A fixed set of worker threads fed from one first-in first-out queue; a worker takes the first item
// that may start now (CWorkItem::TryStart), so items that wait never hold up the others. The queue is changed only
// under its lock; the count of queued items and the shutdown signal are guarded by the same lock,
// and each post wakes exactly one waiting worker.
class CThreadPool
{
public:
    CThreadPool() = default;
    ~CThreadPool();
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;

    // Starts threadCount workers at the priority level (-2, -1 or 0, see ThreadPriority.h). Worker i
    // gets threadParams[i] when given, else null. False when the pool is already running, the count
    // is below 1 or a thread cannot be started; the threads already started are then shut down.
    bool Create(int threadCount, int priority, const std::vector<void*>& threadParams = {});
    // Queues the item. False when the pool is not running; the item is then discarded.
    bool Post(std::unique_ptr<CWorkItem> item);
    // Stops taking new items. Workers finish the item they are running; queued items stay queued.
    void SignalShutdown();
    // Signals shutdown, waits until every worker has ended, then discards the items still queued from
    // the head. The pool can be created again afterwards.
    void Shutdown();

    bool IsRunning() const { return !m_threads.empty(); }
    int ThreadCount() const { return static_cast<int>(m_threads.size()); }
    // Items posted but not yet taken by a worker.
    size_t QueuedCount() const;

private:
    void WorkerLoop(int priority, void* threadParam);
    // The first queued item that may start now, removed from the queue; null when none may, with the
    // earliest moment one of them said it might. Called under the lock.
    std::unique_ptr<CWorkItem> TakeStartable(std::optional<CWorkItem::SteadyTime>& earliest);

    static constexpr std::chrono::milliseconds kMaxIdleWait{250};

    std::vector<std::thread> m_threads;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::unique_ptr<CWorkItem>> m_queue;
    bool m_shutdown = false;
};
