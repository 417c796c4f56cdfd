#pragma once

#include <functional>

// Hands work to the front end's own thread: background jobs and workers deliver their results through
// it, so that the list, the counters and the windows change on that thread only. Post may be called
// from any thread; the task runs later, on the front end's thread, in the order posted.
class IFrontEndDispatcher
{
public:
    virtual ~IFrontEndDispatcher() = default;
    virtual void Post(std::function<void()> task) = 0;
};
