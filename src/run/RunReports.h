#pragma once

#include "run/CheckRunListener.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CCheckRun;
class IFrontEndDispatcher;

// The listener a check run uses: reports gather in a batch, and one task on the front end's thread
// (through the dispatcher) hands the whole batch to the run's handlers, in the order posted. Reports that arrive after
// the run was destroyed are dropped there. Owned by CCheckRun; front ends need not implement a listener of their own.
class CRunReports : public ICheckRunListener
{
public:
    CRunReports(IFrontEndDispatcher& dispatcher, CCheckRun& run);
    // Reports still on their way are dropped from here on.
    ~CRunReports() override;
    CRunReports(const CRunReports&) = delete;
    CRunReports& operator=(const CRunReports&) = delete;

    void PostUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId) override;
    void PostUrlProgress(int kilobytes, uint64_t serial, uint64_t runId) override;
    void PostUrlStarted(uint64_t serial, uint64_t runId) override;

private:
    struct Batch
    {
        std::mutex mutex;
        std::vector<std::function<void(CCheckRun&)>> reports;
    };
    // Queues the report; the first of a batch wakes the front end's thread.
    void Add(std::function<void(CCheckRun&)> report);

    IFrontEndDispatcher& m_dispatcher;
    // Read and reset on the front end's thread only: the tasks run there, and so does the destructor.
    std::shared_ptr<CCheckRun*> m_run;
    // Shared with the task that drains it, which may run after this object is gone.
    std::shared_ptr<Batch> m_batch;
};
