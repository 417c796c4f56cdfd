#pragma once

#include <cstdint>
#include <memory>

class Curl;

// How the workers of a check run report to the front end's thread. Called on worker threads: an
// implementation only hands the report over to the front end's own thread, which then calls the
// matching handler of CCheckRun with the same values. A report names its record by serial (or carries
// the checked work copy), never by a pointer into the list, which the front end may change meanwhile.
// runId tells the reports of an earlier, stopped run apart.
class ICheckRunListener
{
public:
    virtual ~ICheckRunListener() = default;
    // The worker has finished checking the work copy of a record; the report owns it.
    virtual void PostUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId) = 0;
    // Body size so far in whole kilobytes, at most once per 5 KB step.
    virtual void PostUrlProgress(int kilobytes, uint64_t serial, uint64_t runId) = 0;
    // A worker has started on the record.
    virtual void PostUrlStarted(uint64_t serial, uint64_t runId) = 0;
};
