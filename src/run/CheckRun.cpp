#include "run/CheckRun.h"

#include "fetch/UrlEngine.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "run/CheckRunFrontEnd.h"
#include "run/CheckRunListener.h"
#include "run/CheckUrlItem.h"
#include "run/EndOfRun.h"

namespace {

constexpr const char* kPoolFailedText = "The check could not start: its worker threads could not be created.";
} // namespace

CCheckRun::CCheckRun(CSiteVigilDoc& doc, CUrlEngine& engine, ICheckRunListener& listener, ICheckRunFrontEnd& frontEnd)
    : m_doc(doc)
    , m_engine(engine)
    , m_listener(listener)
    , m_frontEnd(frontEnd)
{
    // Saving the list stops this run first: workers change records while they check them.
    m_doc.SetStopBeforeSave(this);
}

CCheckRun::~CCheckRun()
{
    if (m_running) {
        m_activeRun.store(0);
        m_pool.SignalShutdown();
        m_engine.cancel();
    }
    ShutdownPool();
    m_doc.SetStopBeforeSave(nullptr);
    CVigilPrefs::GetInstance().WriteInt(Pref::totalUrlsChecked.name, m_pagesChecked);
}

void CCheckRun::CheckAll()
{
    if (m_running)
        return;
    std::vector<Curl*> records;
    records.reserve(m_doc.Records().size());
    for (const std::unique_ptr<Curl>& record : m_doc.Records())
        records.push_back(record.get());
    CheckPages(records);
}

bool CCheckRun::CheckPages(const std::vector<Curl*>& records)
{
    if (m_running)
        return false;
    m_newChanges = 0;
    m_pagesMarkedChanged = 0;
    // An empty run never ends, so it must not start the indicators either.
    if (records.empty())
        return false;
    m_frontEnd.SetTrayBlinking(true);
    m_frontEnd.ShowBusy(true);
    return StartRun(records, true);
}

bool CCheckRun::CheckSelected(Curl* record)
{
    if (m_running || !record)
        return false;
    m_frontEnd.ShowBusy(true);
    return StartRun({record}, false);
}

bool CCheckRun::StartRun(const std::vector<Curl*>& records, [[maybe_unused]] bool newRun)
{
    ShutdownPool();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    int threadCount = prefs.ReadInt(Pref::numThreads) + 1;
    if (!m_pool.Create(threadCount, prefs.GetThreadPriority())) {
        // Without workers the pages would never report back: end the run here.
        m_frontEnd.SetTrayBlinking(false);
        m_frontEnd.ShowBusy(false);
        m_frontEnd.SetRunButtons(false);
        m_frontEnd.ShowError(kPoolFailedText);
        return false;
    }

    m_runPages = records;
    m_outstanding.clear();
    m_outstanding.insert(records.begin(), records.end());
    m_running = true;
    m_activeRun.store(++m_lastRunId);
    m_frontEnd.SetRunButtons(true);

    for (Curl* record : records)
        m_pool.Post(std::make_unique<CCheckUrlItem>(*record, m_engine, m_listener, m_lastRunId, m_activeRun));
    return true;
}

void CCheckRun::StopChecking()
{
    if (!m_running)
        return;
    // Items not yet taken are dropped, and a worker that has just taken one skips it.
    m_activeRun.store(0);
    m_pool.SignalShutdown();
    m_engine.cancel();
    ShutdownPool();
    m_running = false;
    m_outstanding.clear();
    m_frontEnd.SetRunButtons(false);
    m_frontEnd.ShowBusy(false);
    m_frontEnd.SetTrayBlinking(false);
}

void CCheckRun::OnUrlChecked(Curl* record, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load())
        return;
    // Each page of the run counts once; anything else is not a report of this run.
    if (m_outstanding.erase(record) == 0)
        return;
    ++m_pagesChecked;
    // The run's state is settled before anything is shown: a message box lets further reports in.
    if (record->GetNewChange())
        ++m_newChanges;
    m_frontEnd.RefreshRow(*record);
    const bool empty = record->GetComplete() && record->GetSize() == 0;
    record->ReleaseDownloadedText();
    if (empty && CVigilPrefs::GetInstance().ReadInt(Pref::warnNoData) != 0)
        m_frontEnd.ShowWarning("Warning: " + record->GetName() + " contains no data");
    // A report handled while the warning was up may have ended the run already.
    if (m_running && m_outstanding.empty())
        EndOfRun();
}

void CCheckRun::OnUrlProgress(int kilobytes, Curl* record, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load() || !m_outstanding.contains(record))
        return;
    m_frontEnd.ShowRowProgress(*record, "  " + std::to_string(kilobytes) + " k");
}

void CCheckRun::OnUrlStarted(Curl* record, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load() || !m_outstanding.contains(record))
        return;
    m_frontEnd.OnPageStarted(*record);
}

void CCheckRun::EndOfRun()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt(Pref::totalUrlsChecked.name, m_pagesChecked);

    m_running = false;
    m_activeRun.store(0);
    // Every page has reported back, so the idle workers end at once.
    ShutdownPool();
    m_frontEnd.SetRunButtons(false);
    m_frontEnd.SetStatusText("Completed checks");
    m_frontEnd.SetTrayBlinking(false);
    m_frontEnd.ShowBusy(false);

    RunTotals totals;
    totals.records = static_cast<int>(m_doc.Records().size());
    totals.newChanges = m_newChanges;
    for (const std::unique_ptr<Curl>& record : m_doc.Records()) {
        if (record->GetChanged())
            ++totals.markedChanged;
    }
    m_pagesMarkedChanged = totals.markedChanged;
    m_frontEnd.SetChangesPending(totals.markedChanged > 0);

    // The minute's save is skipped while a run is in progress; the run's results are saved here.
    m_lastSave = m_doc.SaveDefault();
    if (!m_lastSave.ok)
        m_frontEnd.ShowError(m_lastSave.error);

    NotifyEndOfRun(totals, m_doc.Records(), m_frontEnd);
}

void CCheckRun::ShutdownPool()
{
    m_pool.Shutdown();
}
