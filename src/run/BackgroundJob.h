#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

class IFrontEndDispatcher;

// Runs one function on a thread of its own and hands its result to the front end's thread through
// the dispatcher, so that a slow step (an SMTP exchange, a download) never blocks that thread.
//
// Start, IsRunning and the destructor are called on the front end's thread; onDone runs there too.
// Destroying the job while its work still runs never waits: the work finishes on its thread and its
// result is dropped. The work must therefore own what it uses (capture copies, not references into
// the list or the windows). The dispatcher must outlive the job.
class CBackgroundJob
{
public:
    explicit CBackgroundJob(IFrontEndDispatcher& dispatcher);
    ~CBackgroundJob();
    CBackgroundJob(const CBackgroundJob&) = delete;
    CBackgroundJob& operator=(const CBackgroundJob&) = delete;

    // Starts work on a new thread; when it returns, onDone(result) runs on the front end's thread.
    // False (and nothing started) while an earlier work of this job is still running, or when no
    // thread can be started.
    template <class Result> bool Start(std::function<Result()> work, std::function<void(Result)> onDone)
    {
        return StartTask([work = std::move(work), onDone = std::move(onDone)]() -> std::function<void()> {
            return [onDone, result = work()]() mutable { onDone(std::move(result)); };
        });
    }

    // True from Start until onDone has run (or would have, for a dropped result).
    bool IsRunning() const;

    // Waits until the work of the last Start has returned on its thread, or deadline has passed;
    // true when it has (or none was started). onDone does not run here: it still goes through the
    // dispatcher. For an owner that is going away and must not leave half-done work behind.
    bool WaitForWork(std::chrono::steady_clock::time_point deadline) const;

private:
    struct Shared;
    // task runs on the job's thread and returns what is to run on the front end's thread.
    bool StartTask(std::function<std::function<void()>()> task);

    IFrontEndDispatcher& m_dispatcher;
    std::shared_ptr<Shared> m_shared;
};
