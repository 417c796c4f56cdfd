#pragma once

#include "fetch/FetchOutcome.h"
#include "model/UrlRecord.h"
#include "run/WorkItem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CUrlEngine;
class IPageRenderer;
class ICheckRunListener;

// Checks the work copy of one record on a worker thread and hands the checked copy to the listener.
// Progress of the download goes to the listener as well, by the record's serial and tagged with the
// run it belongs to. Nothing here points into the list.
//
// The item starts only when its host admits another request (CUrlEngine::hosts()). A host that asked
// to be left alone gets no request: the copy is reported at once with m_timeWaitingForHost set, as it
// is when the host answers that it is busy; the run decides whether to try again later.
class CCheckUrlItem : public CWorkItem, public IFetchProgress
{
public:
    // activeRun is the id of the run in progress (0 when none); an item whose run has been stopped
    // before a worker took it skips the download and reports nothing. The item does not start before
    // notBefore. A page that asks to be rendered goes to the renderer (none: it fails as "Rendering is
    // not available"); the others are downloaded with the engine.
    CCheckUrlItem(std::unique_ptr<Curl> copy, CUrlEngine& engine, IPageRenderer* renderer, ICheckRunListener& listener,
                  uint64_t runId, const std::atomic<uint64_t>& activeRun, SteadyTime notBefore = {});
    ~CCheckUrlItem() override;

    void Run(void* threadParam) override;
    bool TryStart(std::optional<SteadyTime>& retryAt) override;
    std::string_view WaitKey() const override { return m_host; }
    void OnFetchProgress(int kilobytes, size_t bytesSoFar) override;

private:
    void ReleaseHost();

    std::unique_ptr<Curl> m_copy;
    CUrlEngine& m_engine;
    IPageRenderer* m_renderer;
    ICheckRunListener& m_listener;
    const uint64_t m_runId;
    const std::atomic<uint64_t>& m_activeRun;
    const SteadyTime m_notBefore;
    const std::string m_host;
    bool m_holdsSlot = false;
    // Set by TryStart: the host is held back until then (seconds since 1970); no request is made.
    int64_t m_heldUntil = 0;
};
