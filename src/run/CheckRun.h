#pragma once

#include "model/SiteVigilDoc.h"
#include "run/ThreadPool.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class CUrlEngine;
class Curl;
class ICheckRunFrontEnd;
class ICheckRunListener;

// One check run at a time over pages of the list: starts the workers, takes their reports on the
// front end's thread, keeps the run's counters and ends the run with the summary and notifications.
// All its operations are called on the front end's thread; only the work items run on the workers.
class CCheckRun : public CSiteVigilDoc::IStopBeforeSave
{
public:
    CCheckRun(CSiteVigilDoc& doc, CUrlEngine& engine, ICheckRunListener& listener, ICheckRunFrontEnd& frontEnd);
    ~CCheckRun() override;
    CCheckRun(const CCheckRun&) = delete;
    CCheckRun& operator=(const CCheckRun&) = delete;

    // A run over every page of the list, in list order. Does nothing while a run is in progress or
    // when the list is empty.
    void CheckAll();
    // A run over the given pages of the list, counted and notified as CheckAll does. False when a run
    // is in progress or no run started.
    bool CheckPages(const std::vector<Curl*>& records);
    // A run over one page (the selected row). The counters of the previous run are kept. Refused
    // (false) while a run is in progress, so that the run's end is detected exactly once.
    bool CheckSelected(Curl* record);
    // Cancels the downloads in progress and drops the queued pages. No summary, no notification.
    void StopChecking() override;

    // Handlers of the workers' reports, called on the front end's thread. Reports of a run that was
    // stopped, or of a page that is not outstanding in the current run, are ignored.
    void OnUrlChecked(Curl* record, uint64_t runId);
    void OnUrlProgress(int kilobytes, Curl* record, uint64_t runId);
    void OnUrlStarted(Curl* record, uint64_t runId);

    bool IsRunning() const { return m_running; }
    int PagesOutstanding() const { return static_cast<int>(m_outstanding.size()); }
    int NewChanges() const { return m_newChanges; }
    int PagesMarkedChanged() const { return m_pagesMarkedChanged; }
    int PagesChecked() const { return m_pagesChecked; }
    int WorkerCount() const { return m_pool.ThreadCount(); }
    // The pages of the current or last run, in the order they were queued.
    const std::vector<Curl*>& RunPages() const { return m_runPages; }
    // The save made when the last run ended.
    const DocResult& LastSaveResult() const { return m_lastSave; }

private:
    bool StartRun(const std::vector<Curl*>& records, bool newRun);
    void EndOfRun();
    void ShutdownPool();

    CSiteVigilDoc& m_doc;
    CUrlEngine& m_engine;
    ICheckRunListener& m_listener;
    ICheckRunFrontEnd& m_frontEnd;

    CThreadPool m_pool;
    bool m_running = false;
    uint64_t m_lastRunId = 0;
    // The id of the run in progress, 0 when none; read by the workers.
    std::atomic<uint64_t> m_activeRun{0};
    std::vector<Curl*> m_runPages;
    std::unordered_set<const Curl*> m_outstanding;
    int m_newChanges = 0;
    int m_pagesMarkedChanged = 0;
    int m_pagesChecked = 0;
    DocResult m_lastSave;
};
