#pragma once

#include <cstdint>

class Curl;

// How the workers of a check run report to the front end. Called on worker threads: an implementation
// only hands the report over to the front end's own thread (the GUI posts an event, the CLI queues it),
// which then calls the matching handler of CCheckRun with the same values. runId tells the reports of
// an earlier, stopped run apart.
class ICheckRunListener
{
public:
    virtual ~ICheckRunListener() = default;
    // The worker has finished checking the record.
    virtual void PostUrlChecked(Curl* record, uint64_t runId) = 0;
    // Body size so far in whole kilobytes, at most once per 5 KB step.
    virtual void PostUrlProgress(int kilobytes, Curl* record, uint64_t runId) = 0;
    // A worker has started on the record. Front ends without a use for it ignore it.
    virtual void PostUrlStarted(Curl* record, uint64_t runId)
    {
        (void)record;
        (void)runId;
    }
};
