#include "run/ThreadPool.h"

#include "platform/DebugLog.h"
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <system_error>

CThreadPool::~CThreadPool()
{
    Shutdown();
}

bool CThreadPool::Create(int threadCount, int priority, const std::vector<void*>& threadParams)
{
    if (IsRunning() || threadCount < 1)
        return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shutdown = false;
    }
    m_threads.reserve(static_cast<size_t>(threadCount));
    for (int i = 0; i < threadCount; ++i) {
        void* param = static_cast<size_t>(i) < threadParams.size() ? threadParams[static_cast<size_t>(i)] : nullptr;
        try {
            m_threads.emplace_back(&CThreadPool::WorkerLoop, this, priority, param);
        } catch (const std::system_error& error) {
            DebugReport("Cannot start a worker thread", error.what());
            Shutdown();
            return false;
        }
    }
    return true;
}

bool CThreadPool::Post(std::unique_ptr<CWorkItem> item)
{
    if (!item)
        return false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_threads.empty() && !m_shutdown) {
            m_queue.push_back(std::move(item));
            m_wake.notify_one();
            return true;
        }
    }
    item->Discard();
    return false;
}

void CThreadPool::SignalShutdown()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_shutdown = true;
    m_wake.notify_all();
}

void CThreadPool::Shutdown()
{
    SignalShutdown();
    for (std::thread& thread : m_threads) {
        if (thread.joinable())
            thread.join();
    }
    m_threads.clear();

    std::deque<std::unique_ptr<CWorkItem>> leftover;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        leftover.swap(m_queue);
    }
    for (std::unique_ptr<CWorkItem>& item : leftover)
        item->Discard();
}

size_t CThreadPool::QueuedCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queue.size();
}

std::unique_ptr<CWorkItem> CThreadPool::TakeStartable(std::optional<CWorkItem::SteadyTime>& earliest)
{
    // Many queued pages of one busy host must not cost a question each: a key refused once stands.
    std::vector<std::string_view> refused;
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        const std::string_view key = (*it)->WaitKey();
        if (!key.empty() && std::find(refused.begin(), refused.end(), key) != refused.end())
            continue;
        std::optional<CWorkItem::SteadyTime> retryAt;
        if ((*it)->TryStart(retryAt)) {
            std::unique_ptr<CWorkItem> item = std::move(*it);
            m_queue.erase(it);
            return item;
        }
        if (retryAt && (!earliest || *retryAt < *earliest))
            earliest = retryAt;
        if (!key.empty())
            refused.push_back(key);
    }
    return nullptr;
}

void CThreadPool::WorkerLoop(int priority, void* threadParam)
{
    // A refused priority (an unprivileged process cannot raise it) leaves the thread as it is.
    SetCurrentThreadPriority(priority);
    for (;;) {
        std::unique_ptr<CWorkItem> item;
        {
            std::unique_lock<std::mutex> guard(m_lock);
            for (;;) {
                m_wake.wait(guard, [this] { return m_shutdown || !m_queue.empty(); });
                // Shutdown wins over queued work: those items are discarded by Shutdown.
                if (m_shutdown)
                    return;
                std::optional<CWorkItem::SteadyTime> earliest;
                item = TakeStartable(earliest);
                if (item)
                    break;
                // Every queued item waits: for its time, or for a running item to end (whose worker
                // then looks again itself). The bound keeps a missed wake-up from lasting.
                const auto bound = std::chrono::steady_clock::now() + kMaxIdleWait;
                m_wake.wait_until(guard, earliest && *earliest < bound ? *earliest : bound);
            }
        }
        item->Run(threadParam);
        item.reset();
        // What this item held is free again: another worker may be waiting for it.
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_queue.empty())
            m_wake.notify_one();
    }
}
