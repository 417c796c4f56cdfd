#include "run/CheckUrlItem.h"

#include "fetch/UrlEngine.h"
#include "run/CheckRunListener.h"

CCheckUrlItem::CCheckUrlItem(Curl& record, CUrlEngine& engine, ICheckRunListener& listener, uint64_t runId,
                             const std::atomic<uint64_t>& activeRun)
    : m_record(record)
    , m_engine(engine)
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
    m_listener.PostUrlStarted(&m_record, m_runId);
    m_record.SetNotifyTarget(this);
    m_record.CheckPage(m_engine);
    // The item ends with this call: nothing may point at it afterwards.
    m_record.SetNotifyTarget(nullptr);
    m_listener.PostUrlChecked(&m_record, m_runId);
}

void CCheckUrlItem::OnUrlProgress(int kilobytes, Curl* record)
{
    m_listener.PostUrlProgress(kilobytes, record, m_runId);
}
