#pragma once

#include "model/SiteVigilDoc.h"
#include "run/EndOfRun.h"
#include "run/RunEvents.h"
#include "run/RunReports.h"
#include "run/ThreadPool.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class CUrlEngine;
class IPageRenderer;
class Curl;
class IFrontEndDispatcher;
class IRunEvents;

// One check run at a time over pages of the list: starts the workers, takes their reports on the
// front end's thread, keeps the run's counters and ends the run with the summary and notifications.
// All its operations are called on the front end's thread; only the work items run on the workers.
//
// The list's records are never touched off that thread. Each queued page is a work copy of its record
// (made when the run starts); a worker checks the copy, and its report, carried to the front end's
// thread by the dispatcher, applies the results to the list's record found by serial. So the front
// end may read every row at any time, remove records (their late reports are dropped) and edit them
// during a run: an edited record (Curl::MarkEdited) does not take the results of a check that started
// before the edit, since that check judged the settings the user has replaced; it counts as checked
// and the next run checks it as edited.
class CCheckRun : public CSiteVigilDoc::IStopBeforeSave
{
public:
    // Who asked for a run over the whole list.
    enum class Trigger
    {
        User,
        Schedule,
    };

    // The dispatcher carries the workers' reports and the end of run's results to the front end's
    // thread, where the run tells events what happens; dispatcher, engine and events must outlive it.
    CCheckRun(CSiteVigilDoc& doc, CUrlEngine& engine, IFrontEndDispatcher& dispatcher, IRunEvents& events);
    ~CCheckRun() override;
    CCheckRun(const CCheckRun&) = delete;
    CCheckRun& operator=(const CCheckRun&) = delete;

    // Pages that ask to be rendered go to the renderer, at most its parallel() at a time on workers of
    // their own, while the rest of the run goes on with plain downloads. Without a renderer they fail
    // as "Rendering is not available". The renderer must outlive the run.
    void SetRenderer(IPageRenderer* renderer) { m_renderer = renderer; }

    // A run over every page of the list, in list order. Does nothing while a run is in progress or
    // when the list is empty.
    void CheckAll(Trigger trigger = Trigger::User);
    // A run over the given pages of the list, counted and notified as CheckAll does. False when a run
    // is in progress or no run started.
    bool CheckPages(const std::vector<Curl*>& records, Trigger trigger = Trigger::User);
    // Takes pages into the run in progress: those it does not hold yet are queued behind its own and
    // count as its pages from then on (progress, summary, update log). A page queued or in flight is
    // not queued twice, and one this run has checked already waits for the next run, so that each page
    // reports once per run. Returns how many were taken; none when no run is in progress.
    int TakeIn(const std::vector<Curl*>& records);
    // A run over one page (the selected row). The counters of the previous run are kept. Refused
    // (false) while a run is in progress, so that the run's end is detected exactly once.
    bool CheckSelected(Curl* record);
    // Cancels the downloads in progress and drops the queued pages. No summary, no notification.
    // Blocks only until the workers have left their cancelled downloads.
    void StopChecking() override;

    // Handlers of the workers' reports, called on the front end's thread (CRunReports calls them).
    // Reports of a run that was stopped, or of a page that is not outstanding in the current run, are
    // ignored; a report whose record was removed counts towards the run's end and is dropped.
    void OnUrlChecked(std::unique_ptr<Curl> checked, uint64_t runId);
    void OnUrlProgress(int kilobytes, uint64_t serial, uint64_t runId);
    void OnUrlStarted(uint64_t serial, uint64_t runId);

    bool IsRunning() const { return m_running; }
    // True while the closing steps of a finished run (sound, e-mail, command) are still under way.
    bool IsEndingRun() const;
    int PagesOutstanding() const { return static_cast<int>(m_outstanding.size()); }
    int NewChanges() const { return m_newChanges; }
    int PagesMarkedChanged() const { return m_pagesMarkedChanged; }
    int PagesChecked() const { return m_pagesChecked; }
    int WorkerCount() const { return m_pool.ThreadCount(); }
    // The serials of the pages of the current or last run, in the order they were queued (find them
    // with CSiteVigilDoc::FindBySerial; a removed page is no longer there).
    const std::vector<uint64_t>& RunPages() const { return m_runPages; }
    // The save made when the last run ended.
    const Status& LastSaveResult() const { return m_lastSave; }
    // How the closing steps of the last run that reached them went, once IsEndingRun is false.
    const EndOfRunOutcome& LastEndOfRun() const { return m_lastEndOfRun; }

private:
    // How long the program waits on its way out for a finished run's closing steps to write, and try
    // to deliver, its notifications.
    static constexpr std::chrono::seconds kClosingWorkWait{10};

    bool StartRun(const std::vector<Curl*>& records, const RunStartedEvent& started);
    // Makes the page one of the run's and hands its work copy to the workers.
    void QueuePage(Curl& record);
    void EndOfRun();
    // A page whose host asked to be left alone: shown as waiting, and queued again for that time.
    void OnUrlWaiting(std::unique_ptr<Curl> checked);
    // Ends the run when every page still outstanding waits for its host; true when it did.
    bool EndRunIfOnlyWaiting();
    void ShutdownPool();
    // The workers read a few settings for every page; while the run is in progress those reads ask
    // the settings database only now and then whether another program has changed them.
    void HoldPrefRechecks(bool hold);

    CSiteVigilDoc& m_doc;
    CUrlEngine& m_engine;
    IFrontEndDispatcher& m_dispatcher;
    IRunEvents& m_events;
    // Declared before the pool: workers post to it until the pool has shut down.
    CRunReports m_reports;

    CThreadPool m_pool;
    IPageRenderer* m_renderer = nullptr;
    CThreadPool m_renderPool;
    bool m_running = false;
    bool m_holdsPrefRechecks = false;
    uint64_t m_lastRunId = 0;
    // The id of the run in progress, 0 when none; read by the workers.
    std::atomic<uint64_t> m_activeRun{0};
    std::vector<uint64_t> m_runPages;
    // The same serials, to find a page of the run at once.
    std::unordered_set<uint64_t> m_inRun;
    std::unordered_set<uint64_t> m_outstanding;
    // Outstanding pages whose host asked to be left alone (their retry is queued, or they wait).
    std::unordered_set<uint64_t> m_waiting;
    int m_newChanges = 0;
    int m_pagesMarkedChanged = 0;
    int m_pagesChecked = 0;
    Status m_lastSave;
    // Closing steps still under way (a new run may end while an earlier run's e-mail is out).
    std::vector<std::shared_ptr<CEndOfRun>> m_endings;
    EndOfRunOutcome m_lastEndOfRun;
};
