#include "run/CheckRun.h"

#include <algorithm>

#include "fetch/PageRenderer.h"
#include "fetch/UrlEngine.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"
#include "run/CheckRunListener.h"
#include "run/CheckUrlItem.h"

namespace {

constexpr const char* kPoolFailedText = "The check could not start: its worker threads could not be created.";
} // namespace

CCheckRun::CCheckRun(CSiteVigilDoc& doc, CUrlEngine& engine, IFrontEndDispatcher& dispatcher, IRunEvents& events)
    : m_doc(doc)
    , m_engine(engine)
    , m_dispatcher(dispatcher)
    , m_events(events)
    , m_reports(dispatcher, *this)
{
    // Saving the list stops this run first: the file then holds the results of a finished or stopped
    // run, never those of a run half applied.
    m_doc.SetStopBeforeSave(this);
}

CCheckRun::~CCheckRun()
{
    if (m_running) {
        m_activeRun.store(0);
        m_pool.SignalShutdown();
        m_renderPool.SignalShutdown();
        m_engine.cancel();
        if (m_renderer)
            m_renderer->cancel();
    }
    ShutdownPool();
    // The notifications of a run that ended just before the program does are written to the outbox
    // by a thread of the closing steps: leaving before it is done would lose them, and it uses the
    // settings that the process tears down on its way out. The delivery, if under way, is given a
    // while as well; what it does not finish, the outbox still holds for the next start.
    // A run whose summary is still up logs its changes now: that step waits for the summary to close.
    const auto deadline = std::chrono::steady_clock::now() + kClosingWorkWait;
    for (const std::shared_ptr<CEndOfRun>& steps : m_endings) {
        steps->LogIfStillPending();
        steps->WaitForBackgroundWork(deadline);
    }
    HoldPrefRechecks(false);
    m_doc.SetStopBeforeSave(nullptr);
    CVigilPrefs::GetInstance().WriteInt(Pref::totalUrlsChecked.name, m_pagesChecked);
}

void CCheckRun::CheckAll(Trigger trigger)
{
    if (m_running)
        return;
    std::vector<Curl*> records;
    records.reserve(m_doc.Count());
    for (const std::unique_ptr<Curl>& record : m_doc.Records())
        records.push_back(record.get());
    CheckPages(records, trigger);
}

bool CCheckRun::CheckPages(const std::vector<Curl*>& records, Trigger trigger)
{
    if (m_running)
        return false;
    m_newChanges = 0;
    m_pagesMarkedChanged = 0;
    // An empty run never ends, so it must not be announced either.
    if (records.empty())
        return false;
    RunStartedEvent started;
    started.pages = static_cast<int>(records.size());
    started.scheduled = trigger == Trigger::Schedule;
    return StartRun(records, started);
}

bool CCheckRun::CheckSelected(Curl* record)
{
    if (m_running || !record)
        return false;
    RunStartedEvent started;
    started.pages = 1;
    started.wholeList = false;
    return StartRun({record}, started);
}

bool CCheckRun::StartRun(const std::vector<Curl*>& records, const RunStartedEvent& started)
{
    ShutdownPool();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    int threadCount = prefs.ReadInt(Pref::numThreads) + 1;
    if (!m_pool.Create(threadCount, prefs.GetThreadPriority())) {
        // Without workers the pages would never report back: no run starts.
        m_events.OnProblem(ProblemSeverity::Error, kPoolFailedText);
        return false;
    }

    m_engine.loadHostLimits();

    m_runPages.clear();
    m_inRun.clear();
    m_outstanding.clear();
    m_waiting.clear();
    m_running = true;
    HoldPrefRechecks(true);
    m_activeRun.store(++m_lastRunId);
    m_events.OnRunStarted(started);

    for (Curl* record : records)
        QueuePage(*record);
    return true;
}

int CCheckRun::TakeIn(const std::vector<Curl*>& records)
{
    if (!m_running)
        return 0;
    int taken = 0;
    for (Curl* record : records) {
        if (record && !m_inRun.contains(record->GetSerial())) {
            QueuePage(*record);
            ++taken;
        }
    }
    return taken;
}

void CCheckRun::QueuePage(Curl& record)
{
    const uint64_t serial = record.GetSerial();
    if (!m_inRun.insert(serial).second)
        return;
    m_runPages.push_back(serial);
    m_outstanding.insert(serial);
    // The render workers start with the run's first rendered page. Without them a rendered page goes
    // to the plain workers, which then wait for the renderer.
    if (record.m_bRender && m_renderer && !m_renderPool.IsRunning())
        m_renderPool.Create(m_renderer->parallel(), CVigilPrefs::GetInstance().GetThreadPriority());
    auto item = std::make_unique<CCheckUrlItem>(record.MakeWorkCopy(), m_engine, m_renderer, m_reports, m_lastRunId,
                                                m_activeRun);
    if (record.m_bRender && m_renderPool.IsRunning())
        m_renderPool.Post(std::move(item));
    else
        m_pool.Post(std::move(item));
}

void CCheckRun::StopChecking()
{
    if (!m_running)
        return;
    // Items not yet taken are dropped, and a worker that has just taken one skips it.
    m_activeRun.store(0);
    m_pool.SignalShutdown();
    m_renderPool.SignalShutdown();
    m_engine.cancel();
    if (m_renderer)
        m_renderer->cancel();
    ShutdownPool();
    if (m_renderer)
        m_renderer->endRun();
    m_running = false;
    HoldPrefRechecks(false);
    m_outstanding.clear();
    m_waiting.clear();
    RunEndedEvent ended;
    ended.stopped = true;
    ended.totals = {static_cast<int>(m_doc.Count()), m_newChanges, m_pagesMarkedChanged};
    m_events.OnRunEnded(ended);
}

void CCheckRun::OnUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load() || !checked)
        return;
    // Each page of the run counts once; anything else is not a report of this run.
    if (!m_outstanding.contains(checked->GetSerial()))
        return;
    if (checked->m_timeWaitingForHost != 0) {
        OnUrlWaiting(std::move(checked));
        return;
    }
    m_outstanding.erase(checked->GetSerial());
    m_waiting.erase(checked->GetSerial());
    ++m_pagesChecked;
    // A record removed meanwhile has nothing to take the results; one edited since its copy was made
    // keeps what the user entered (the check judged the settings before the edit).
    Curl* record = m_doc.FindBySerial(checked->GetSerial());
    const bool taken = record && record->GetEditGeneration() == checked->GetEditGeneration();
    if (taken) {
        record->ApplyCheckResults(*checked);
        // The run's state is settled before anything is told.
        if (record->GetNewChange())
            ++m_newChanges;
        m_doc.NotifyChanged(*record);
    }
    if (record) {
        const int total = static_cast<int>(m_runPages.size());
        m_events.OnPageChecked(
            {*record, taken, taken && record->GetNewChange(), total - static_cast<int>(m_outstanding.size()), total});
        const bool empty = checked->GetComplete() && checked->GetSize() == 0;
        if (empty && CVigilPrefs::GetInstance().ReadInt(Pref::warnNoData) != 0)
            m_events.OnProblem(ProblemSeverity::Warning, "Warning: " + record->GetName() + " contains no data");
    }
    checked.reset();
    // Pages that only wait for their host do not hold the run open.
    EndRunIfOnlyWaiting();
}

void CCheckRun::OnUrlWaiting(std::unique_ptr<Curl> checked)
{
    const uint64_t serial = checked->GetSerial();
    const int64_t until = checked->m_timeWaitingForHost;
    if (Curl* record = m_doc.FindBySerial(serial)) {
        record->m_timeWaitingForHost = until;
        m_doc.NotifyChanged(*record);
    }
    m_waiting.insert(serial);
    // The page is tried again when its host allows, if the run still has other pages by then; the
    // run's end leaves it waiting for its next check.
    if (EndRunIfOnlyWaiting())
        return;
    const int64_t left = std::max<int64_t>(0, until - Clock::Now());
    checked->m_timeWaitingForHost = 0;
    const bool rendered = checked->m_bRender && m_renderPool.IsRunning();
    auto item
        = std::make_unique<CCheckUrlItem>(std::move(checked), m_engine, m_renderer, m_reports, m_lastRunId, m_activeRun,
                                          std::chrono::steady_clock::now() + std::chrono::seconds(left));
    (rendered ? m_renderPool : m_pool).Post(std::move(item));
}

bool CCheckRun::EndRunIfOnlyWaiting()
{
    if (!m_running || m_outstanding.size() > m_waiting.size())
        return false;
    // Pages that wait for their host are not checked in this run: they count neither as checked
    // nor as outstanding, and their queued retries go with the pool.
    m_outstanding.clear();
    m_waiting.clear();
    EndOfRun();
    return true;
}

void CCheckRun::OnUrlProgress(int kilobytes, uint64_t serial, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load() || !m_outstanding.contains(serial))
        return;
    if (Curl* record = m_doc.FindBySerial(serial))
        m_events.OnPageProgress(*record, kilobytes);
}

void CCheckRun::OnUrlStarted(uint64_t serial, uint64_t runId)
{
    if (!m_running || runId != m_activeRun.load() || !m_outstanding.contains(serial))
        return;
    // A page tried again is no longer waiting: the run waits for its answer.
    m_waiting.erase(serial);
    if (Curl* record = m_doc.FindBySerial(serial))
        m_events.OnPageStarted(*record);
}

bool CCheckRun::IsEndingRun() const
{
    return std::any_of(m_endings.begin(), m_endings.end(),
                       [](const std::shared_ptr<CEndOfRun>& steps) { return !steps->IsFinished(); });
}

void CCheckRun::EndOfRun()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteInt(Pref::totalUrlsChecked.name, m_pagesChecked);

    m_running = false;
    HoldPrefRechecks(false);
    m_activeRun.store(0);
    // Every page has reported back, so the idle workers end at once.
    ShutdownPool();
    if (m_renderer)
        m_renderer->endRun();

    RunTotals totals;
    totals.records = static_cast<int>(m_doc.Count());
    totals.newChanges = m_newChanges;
    for (const std::unique_ptr<Curl>& record : m_doc.Records()) {
        if (record->GetChanged())
            ++totals.markedChanged;
    }
    m_pagesMarkedChanged = totals.markedChanged;

    // The minute's save is skipped while a run is in progress; the run's results are saved here.
    m_lastSave = m_doc.SaveDefault();
    RunEndedEvent ended;
    ended.totals = totals;
    if (!m_lastSave.ok())
        ended.failures.push_back(m_lastSave.error().message);
    m_events.OnRunEnded(ended);
    if (!m_lastSave.ok())
        m_events.OnProblem(ProblemSeverity::Error, m_lastSave.error().message);

    // Steps of earlier runs that have finished are let go here, never from inside their own callback.
    std::erase_if(m_endings, [](const std::shared_ptr<CEndOfRun>& steps) { return steps->IsFinished(); });
    m_lastEndOfRun = {};
    auto steps
        = CEndOfRun::Start(totals, m_doc, m_runPages, m_events, m_dispatcher, [this](const EndOfRunOutcome& outcome) {
              m_lastEndOfRun = outcome;
              m_events.OnRunClosed({outcome.failures});
          });
    if (!steps->IsFinished())
        m_endings.push_back(std::move(steps));
}

void CCheckRun::HoldPrefRechecks(bool hold)
{
    if (hold == m_holdsPrefRechecks)
        return;
    m_holdsPrefRechecks = hold;
    CVigilPrefs::GetInstance().HoldRechecks(hold);
}

void CCheckRun::ShutdownPool()
{
    m_pool.Shutdown();
    m_renderPool.Shutdown();
}
