#pragma once

#include "fetch/FetchOutcome.h"
#include "model/UrlRecord.h"
#include "run/WorkItem.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CUrlEngine;
class IPageRenderer;
class ICheckRunListener;

// Checks the work copy of one record on a worker thread and hands the checked copy to the listener.
// Progress of the download goes to the listener as well, by the record's serial and tagged with the
// run it belongs to. Nothing here points into the list.
class CCheckUrlItem : public CWorkItem, public IFetchProgress
{
public:
    // activeRun is the id of the run in progress (0 when none); an item whose run has been stopped
    // before a worker took it skips the download and reports nothing.
    // A page that asks to be rendered goes to the renderer (none: it fails as "Rendering is not
    // available"); the others are downloaded with the engine.
    CCheckUrlItem(std::unique_ptr<Curl> copy, CUrlEngine& engine, IPageRenderer* renderer, ICheckRunListener& listener,
                  uint64_t runId, const std::atomic<uint64_t>& activeRun);

    void Run(void* threadParam) override;
    void OnFetchProgress(int kilobytes, size_t bytesSoFar) override;

private:
    std::unique_ptr<Curl> m_copy;
    CUrlEngine& m_engine;
    IPageRenderer* m_renderer;
    ICheckRunListener& m_listener;
    const uint64_t m_runId;
    const std::atomic<uint64_t>& m_activeRun;
};
