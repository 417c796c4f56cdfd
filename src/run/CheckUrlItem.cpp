#include "run/CheckUrlItem.h"

#include "check/PageCheck.h"
#include "fetch/PageRenderer.h"
#include "fetch/UrlEngine.h"
#include "run/CheckRunListener.h"

CCheckUrlItem::CCheckUrlItem(std::unique_ptr<Curl> copy, CUrlEngine& engine, IPageRenderer* renderer,
                             ICheckRunListener& listener, uint64_t runId, const std::atomic<uint64_t>& activeRun,
                             SteadyTime notBefore)
    : m_copy(std::move(copy))
    , m_engine(engine)
    , m_renderer(renderer)
    , m_listener(listener)
    , m_runId(runId)
    , m_activeRun(activeRun)
    , m_notBefore(notBefore)
    , m_host(CHostGate::HostKeyOf(m_copy->m_strURL))
{ }

CCheckUrlItem::~CCheckUrlItem()
{
    ReleaseHost();
}

bool CCheckUrlItem::TryStart(std::optional<SteadyTime>& retryAt)
{
    if (std::chrono::steady_clock::now() < m_notBefore) {
        retryAt = m_notBefore;
        return false;
    }
    // An address without a host fails in the engine at once; it needs no slot.
    if (m_host.empty())
        return true;
    const CHostGate::Admission admission = m_engine.hosts().TryAcquire(m_host);
    if (admission.held) {
        // Taken without a request: the run hears at once that the page waits for its host.
        m_heldUntil = admission.wallHeldUntil;
        return true;
    }
    retryAt = admission.retryAt;
    m_holdsSlot = admission.admitted;
    return admission.admitted;
}

void CCheckUrlItem::Run(void* threadParam)
{
    (void)threadParam;
    // A worker can take an item just before a stop signals the pool; the stopped run wants no more
    // downloads, and a fetch started after the engine's cancel would otherwise run to its end.
    if (m_activeRun.load() != m_runId)
        return;
    m_copy->m_timeWaitingForHost = 0;
    if (m_heldUntil != 0) {
        m_copy->m_timeWaitingForHost = m_heldUntil;
        m_listener.PostUrlChecked(std::move(m_copy), m_runId);
        return;
    }
    m_listener.PostUrlStarted(m_copy->GetSerial(), m_runId);
    FetchOutcome outcome
        = m_copy->m_bRender ? RenderOutcome(*m_copy, m_renderer) : FetchPage(*m_copy, m_engine, this);
    // The host is free for the next page while this one is judged.
    ReleaseHost();
    if (outcome.failure == FetchFailure::HostBusy) {
        // Not a check: the results stay as they were, the run sees the time to come back.
        m_copy->m_timeWaitingForHost = outcome.retryAt;
    } else {
        // The downloaded text has been judged; the report carries the results only.
        m_copy->Results() = JudgePage(*m_copy, *m_copy, std::move(outcome)).results;
    }
    m_listener.PostUrlChecked(std::move(m_copy), m_runId);
}

void CCheckUrlItem::OnFetchProgress(int kilobytes, size_t bytesSoFar)
{
    (void)bytesSoFar;
    m_listener.PostUrlProgress(kilobytes, m_copy->GetSerial(), m_runId);
}

void CCheckUrlItem::ReleaseHost()
{
    if (!m_holdsSlot)
        return;
    m_holdsSlot = false;
    m_engine.hosts().Release(m_host);
}
