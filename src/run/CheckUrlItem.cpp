#include "run/CheckUrlItem.h"

#include "check/PageCheck.h"
#include "fetch/PageRenderer.h"
#include "fetch/UrlEngine.h"
#include "run/CheckRunListener.h"

CCheckUrlItem::CCheckUrlItem(std::unique_ptr<Curl> copy, CUrlEngine& engine, IPageRenderer* renderer,
                             ICheckRunListener& listener, uint64_t runId, const std::atomic<uint64_t>& activeRun)
    : m_copy(std::move(copy))
    , m_engine(engine)
    , m_renderer(renderer)
    , m_listener(listener)
    , m_runId(runId)
    , m_activeRun(activeRun)
{ }

void CCheckUrlItem::Run(void* threadParam)
{
    (void)threadParam;
    // A worker can take an item just before a stop signals the pool; the stopped run wants no more
    // downloads, and a fetch started after the engine's cancel would otherwise run to its end.
    if (m_activeRun.load() != m_runId)
        return;
    m_listener.PostUrlStarted(m_copy->GetSerial(), m_runId);
    // The downloaded text has been judged; the report carries the results only.
    if (m_copy->m_bRender)
        RenderPage(*m_copy, m_renderer);
    else
        CheckPage(*m_copy, m_engine, this);
    m_listener.PostUrlChecked(std::move(m_copy), m_runId);
}

void CCheckUrlItem::OnFetchProgress(int kilobytes, size_t bytesSoFar)
{
    (void)bytesSoFar;
    m_listener.PostUrlProgress(kilobytes, m_copy->GetSerial(), m_runId);
}
