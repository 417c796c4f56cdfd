#pragma once

#include <chrono>
#include <optional>
#include <string_view>

// One unit of work for a CThreadPool. The pool owns a posted item and destroys it after exactly one
// of the two calls: Run on a worker thread, or Discard when the pool shuts down with the item still
// queued.
class CWorkItem
{
public:
    using SteadyTime = std::chrono::steady_clock::time_point;

    virtual ~CWorkItem() = default;
    // threadParam is the worker's own parameter given to CThreadPool::Create (null when none was given).
    virtual void Run(void* threadParam) = 0;
    virtual void Discard() { }

    // Asked under the pool's lock before a worker takes the item: true when it may run now (it may
    // claim what it needs, and then owns it until Run ends). When not, retryAt is the earliest moment
    // it may, or none when it waits for another item to end. Items that wait leave the queue's order
    // to those that can start.
    virtual bool TryStart(std::optional<SteadyTime>& retryAt)
    {
        (void)retryAt;
        return true;
    }
    // Items with the same non-empty key wait for the same thing: one refusal stands for all of them
    // until the next look at the queue.
    virtual std::string_view WaitKey() const { return {}; }
};
