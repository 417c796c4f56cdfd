#include "run/BackgroundJob.h"

#include "run/FrontEndDispatcher.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

// What the job and its thread share. The thread keeps it alive until it has posted its result.
struct CBackgroundJob::Shared
{
    std::mutex lock;
    // Changed on the front end's thread only.
    bool running = false;
    bool alive = true;
    // Set by the job's thread once its work has returned, under lock.
    bool workDone = false;
    std::condition_variable workEnded;
};

CBackgroundJob::CBackgroundJob(IFrontEndDispatcher& dispatcher)
    : m_dispatcher(dispatcher)
{ }

CBackgroundJob::~CBackgroundJob()
{
    if (!m_shared)
        return;
    std::lock_guard guard(m_shared->lock);
    m_shared->alive = false;
}

bool CBackgroundJob::IsRunning() const
{
    return m_shared && m_shared->running;
}

bool CBackgroundJob::WaitForWork(std::chrono::steady_clock::time_point deadline) const
{
    if (!m_shared)
        return true;
    std::unique_lock guard(m_shared->lock);
    return m_shared->workEnded.wait_until(guard, deadline, [this] { return m_shared->workDone; });
}

bool CBackgroundJob::StartTask(std::function<std::function<void()>()> task)
{
    if (IsRunning())
        return false;
    // A fresh share for every start, so a dropped earlier result can never reach a later one.
    if (m_shared) {
        std::lock_guard guard(m_shared->lock);
        m_shared->alive = false;
    }
    auto shared = std::make_shared<Shared>();
    shared->running = true;
    try {
        // The dispatcher outlives the job, and the thread posts only while the job is alive.
        std::thread([shared, &dispatcher = m_dispatcher, task = std::move(task)] {
            std::function<void()> deliver = task();
            std::lock_guard guard(shared->lock);
            shared->workDone = true;
            shared->workEnded.notify_all();
            if (!shared->alive)
                return;
            dispatcher.Post([shared, deliver = std::move(deliver)] {
                // Runs on the front end's thread, where the job is destroyed: no lock needed for alive.
                if (!shared->alive)
                    return;
                shared->running = false;
                deliver();
            });
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    m_shared = std::move(shared);
    return true;
}
