#pragma once

#include "run/FrontEndDispatcher.h"

#include <deque>
#include <functional>
#include <mutex>

// The dispatcher of a front end whose thread runs a poll loop (the daemon): Post queues the task and
// makes Fd readable; the loop runs the queued tasks with RunPending when it is ready for them.
class CLoopDispatcher : public IFrontEndDispatcher
{
public:
    CLoopDispatcher();
    ~CLoopDispatcher() override;
    CLoopDispatcher(const CLoopDispatcher&) = delete;
    CLoopDispatcher& operator=(const CLoopDispatcher&) = delete;

    void Post(std::function<void()> task) override;
    // Readable while tasks are waiting.
    int Fd() const { return m_fd; }
    bool HasPending();
    // Runs the tasks waiting now, in the order posted; tasks they post wait for the next call.
    void RunPending();

private:
    std::mutex m_lock;
    std::deque<std::function<void()>> m_tasks;
    int m_fd = -1;
};
