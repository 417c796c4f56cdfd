#pragma once

#include "model/SiteVigilDoc.h"
#include "notify/RunNotifications.h"
#include "run/BackgroundJob.h"
#include "run/RunEvents.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class IFrontEndDispatcher;

// How the closing steps of a run went: the message of every step that failed (the update log not
// written, the e-mail not sent), in step order. The messages have also been shown to the user.
struct EndOfRunOutcome
{
    std::vector<std::string> failures;
    bool Ok() const { return failures.empty(); }
};

// "Completed checking %d URLs.\n%d new changes.\n%d changes total.\n"
std::string FormatRunSummary(const RunTotals& totals);
// "%d new changes.\n%d changes total."
std::string FormatPopupText(const RunTotals& totals);

// The closing steps of a run, after its state has been reset: the summary, the update log (when any
// page is marked changed), the run's notifications written to the outbox, then, when the run found
// new changes, the popup, the sound, the delivery of the notifications (the change e-mail is one of
// them) and the command, each by its setting. A step that fails does not keep the next from running.
//
// The steps run in this order, but the front end's thread never waits for the user, the sound or the
// mail server: the summary and sound steps go on when the front end calls back, the delivery is a
// background job (waiting at most deliveryWait seconds) whose failures are told as problems, and the
// command follows when it has ended. Everything but writing the notifications to the outbox (which
// reads the pages' differences) and their delivery runs on the front end's thread. The update log and
// the notifications hold the pages as they were when the steps started.
class CEndOfRun : public std::enable_shared_from_this<CEndOfRun>
{
public:
    using Finished = std::function<void(const EndOfRunOutcome&)>;

    // Starts the steps over the list as it is now; onFinished runs on the front end's thread once the
    // last step is over (possibly before Start returns). The steps stop, silently and without
    // onFinished, when the returned object is destroyed. events and dispatcher must outlive it.
    // runPages are the serials of the pages the run checked: only their new changes go into the update
    // log, so that a change is logged by the run that found it and never again.
    static std::shared_ptr<CEndOfRun> Start(const RunTotals& totals, const CSiteVigilDoc& doc,
                                            const std::vector<uint64_t>& runPages, IRunEvents& events,
                                            IFrontEndDispatcher& dispatcher, Finished onFinished);

    bool IsFinished() const { return m_finished; }

    // Waits, until deadline at most, for the work the steps have under way on other threads (writing
    // the notifications to the outbox, delivering them) to return; true when nothing is left. What
    // follows that work on the front end's thread does not run here.
    bool WaitForBackgroundWork(std::chrono::steady_clock::time_point deadline) const;
    // Writes the update log step now if it has not run yet: the program is ending while the run's
    // summary is still up, and the run's changes must be logged all the same. Its problems go to
    // standard error, not to the front end, which is going away.
    void LogIfStillPending();

    // Use Start.
    CEndOfRun(const RunTotals& totals, IRunEvents& events, IFrontEndDispatcher& dispatcher, Finished onFinished);

private:
    void Run(const CSiteVigilDoc& doc, const std::vector<uint64_t>& runPages);
    void AfterSummary();
    void WriteUpdateLog(bool tellFrontEnd);
    void OnQueued(QueuedNotifications queued);
    void DeliverNotifications();
    void RunCommand();
    void Fail(const std::string& message);

    RunTotals m_totals;
    IRunEvents& m_events;
    // Copies of the run's pages that it found changed, for the update log: the user may edit the
    // list while the summary is up.
    CSiteVigilDoc::RecordList m_logged;
    Finished m_onFinished;
    CBackgroundJob m_queueJob;
    CBackgroundJob m_deliveryJob;
    QueuedNotifications m_notifications;
    // The notifications are in the outbox (m_notifications says which rows); the delivery step
    // waits for that when it comes first.
    bool m_queued = false;
    bool m_deliveryWanted = false;
    EndOfRunOutcome m_outcome;
    bool m_finished = false;
    bool m_logDone = false;
};
