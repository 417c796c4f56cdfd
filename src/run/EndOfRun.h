#pragma once

#include "model/SiteVigilDoc.h"
#include "run/BackgroundJob.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ICheckRunFrontEnd;
class IFrontEndDispatcher;

// The numbers a finished run reports.
struct RunTotals
{
    int records = 0; // pages in the list
    int newChanges = 0; // pages this run found changed
    int markedChanged = 0; // pages marked changed in all
};

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
// page is marked changed), then, when the run found new changes, the popup, the sound, the change
// e-mail and the command, each by its setting. A step that fails does not keep the next from running.
//
// The steps run in this order, but the front end's thread never waits for the sound or the mail
// server: the sound step goes on when the front end calls back, the e-mail is a background job whose
// failure is shown with ShowError, and the command follows when it has ended. Everything but the
// e-mail exchange runs on the front end's thread. The e-mail lists copies of the changed records,
// taken when the steps start.
class CEndOfRun : public std::enable_shared_from_this<CEndOfRun>
{
public:
    using Finished = std::function<void(const EndOfRunOutcome&)>;

    // Starts the steps over the list as it is now; onFinished runs on the front end's thread once the
    // last step is over (possibly before Start returns). The steps stop, silently and without
    // onFinished, when the returned object is destroyed. frontEnd and dispatcher must outlive it.
    // runPages are the serials of the pages the run checked: only their new changes go into the update
    // log, so that a change is logged by the run that found it and never again.
    static std::shared_ptr<CEndOfRun> Start(const RunTotals& totals, const CSiteVigilDoc& doc,
                                            const std::vector<uint64_t>& runPages, ICheckRunFrontEnd& frontEnd,
                                            IFrontEndDispatcher& dispatcher, Finished onFinished);

    bool IsFinished() const { return m_finished; }

    // Use Start.
    CEndOfRun(const RunTotals& totals, ICheckRunFrontEnd& frontEnd, IFrontEndDispatcher& dispatcher,
              Finished onFinished);

private:
    void Run(const CSiteVigilDoc& doc, const std::vector<uint64_t>& runPages);
    void SendEmail();
    void RunCommand();
    void Fail(const std::string& message);

    RunTotals m_totals;
    ICheckRunFrontEnd& m_frontEnd;
    Finished m_onFinished;
    CBackgroundJob m_emailJob;
    // Copies of the records marked changed, for the e-mail.
    CSiteVigilDoc::RecordList m_changed;
    bool m_sendEmail = false;
    EndOfRunOutcome m_outcome;
    bool m_finished = false;
};
