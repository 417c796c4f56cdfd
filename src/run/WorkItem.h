#pragma once

// One unit of work for a CThreadPool. The pool owns a posted item and destroys it after exactly one
// of the two calls: Run on a worker thread, or Discard when the pool shuts down with the item still
// queued.
class CWorkItem
{
public:
    virtual ~CWorkItem() = default;
    // threadParam is the worker's own parameter given to CThreadPool::Create (null when none was given).
    virtual void Run(void* threadParam) = 0;
    virtual void Discard() { }
};
