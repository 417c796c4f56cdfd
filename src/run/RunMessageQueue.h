#pragma once

#include "run/CheckRunListener.h"

#include <chrono>
#include <deque>
#include <mutex>

class CCheckRun;

// The listener of a front end without an event loop of its own: workers queue their reports under a
// lock, the front end's thread hands them to the run in the order they were posted. WakeFd becomes
// readable whenever reports are waiting, so the owner can poll it beside other descriptors.
class CRunMessageQueue : public ICheckRunListener
{
public:
    CRunMessageQueue();
    ~CRunMessageQueue() override;
    CRunMessageQueue(const CRunMessageQueue&) = delete;
    CRunMessageQueue& operator=(const CRunMessageQueue&) = delete;

    void PostUrlChecked(Curl* record, uint64_t runId) override;
    void PostUrlProgress(int kilobytes, Curl* record, uint64_t runId) override;
    void PostUrlStarted(Curl* record, uint64_t runId) override;

    // Hands every waiting report to the run; returns how many there were.
    int Dispatch(CCheckRun& run);
    // Waits up to the time-out for a report, then dispatches all that are waiting.
    int WaitAndDispatch(CCheckRun& run, std::chrono::milliseconds timeout);

    int WakeFd() const { return m_wakeFd; }

private:
    enum class Kind
    {
        Started,
        Progress,
        Checked,
    };
    struct Message
    {
        Kind kind;
        Curl* record;
        int kilobytes;
        uint64_t runId;
    };
    void Push(const Message& message);

    std::mutex m_lock;
    std::deque<Message> m_messages;
    int m_wakeFd = -1;
};
