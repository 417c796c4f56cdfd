#pragma once

#include "run/CheckRunListener.h"

#include <memory>

class CCheckRun;
class IFrontEndDispatcher;

// The listener a check run uses: each report becomes a task on the front end's thread (through the
// dispatcher) that calls the run's handler. Reports that arrive after the run was destroyed are
// dropped there. Owned by CCheckRun; front ends need not implement a listener of their own.
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
    IFrontEndDispatcher& m_dispatcher;
    // Read and reset on the front end's thread only: the tasks run there, and so does the destructor.
    std::shared_ptr<CCheckRun*> m_run;
};
