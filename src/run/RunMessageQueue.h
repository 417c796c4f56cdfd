#pragma once

#include "run/FrontEndDispatcher.h"

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

// The dispatcher of a front end without an event loop of its own (the CLI, the tests): tasks posted
// from any thread wait under a lock until the front end's thread runs them, in the order posted.
// WakeFd becomes readable whenever tasks are waiting, so the owner can poll it beside other
// descriptors.
class CRunMessageQueue : public IFrontEndDispatcher
{
public:
    CRunMessageQueue();
    ~CRunMessageQueue() override;
    CRunMessageQueue(const CRunMessageQueue&) = delete;
    CRunMessageQueue& operator=(const CRunMessageQueue&) = delete;

    void Post(std::function<void()> task) override;

    // Runs every task waiting now (not those they post); returns how many there were.
    int Dispatch();
    // Waits up to the time-out for a task, then runs all that are waiting.
    int WaitAndDispatch(std::chrono::milliseconds timeout);

    int WakeFd() const { return m_wakeFd; }

private:
    std::mutex m_lock;
    std::deque<std::function<void()>> m_tasks;
    int m_wakeFd = -1;
};
