#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Curl;

// The numbers a finished run reports.
struct RunTotals
{
    int records = 0; // pages in the list
    int newChanges = 0; // pages this run found changed
    int markedChanged = 0; // pages marked changed in all
};

// A run has started.
struct RunStartedEvent
{
    int pages = 0;
    // A run over the list (check all, scheduled) rather than over the selected page.
    bool wholeList = true;
    bool scheduled = false;
};

// One page of the run has reported back. record is the list's own, with the check's results applied
// unless the user edited it meanwhile (resultsTaken false).
struct PageCheckedEvent
{
    const Curl& record;
    bool resultsTaken = true;
    bool newChange = false;
    // Pages of the run reported back so far (this one included), of all pages of the run.
    int checked = 0;
    int total = 0;
};

// The run is over: every page reported back (stopped false) or the run was stopped. The closing steps
// (summary, log, notifications) of a finished run follow; RunClosedEvent tells when they are done.
struct RunEndedEvent
{
    bool stopped = false;
    RunTotals totals;
    // Problems met while ending the run (the list not saved), already told as problems.
    std::vector<std::string> failures;
};

// The closing steps of a finished run are done; failures of the steps that failed, in step order.
struct RunClosedEvent
{
    std::vector<std::string> failures;
};

// Time left until the next scheduled run (scheduled checks on, no run in progress).
struct NextCheckEvent
{
    int64_t secondsLeft = 0;
    // "Next check in 23 hours"
    std::string text;
};

enum class ProblemSeverity
{
    Warning,
    Error,
};

// A notice of new changes for the desktop, with its three phases in milliseconds. The counts let a
// front end word the notice itself.
struct ChangeAnnouncement
{
    std::string text;
    int newChanges = 0;
    int markedChanged = 0;
    int appearMs = 0;
    int stayMs = 0;
    int vanishMs = 0;
};

// What the check run, its end and the scheduler tell a front end. Every call comes on the front end's
// thread (through its dispatcher) and returns at once: nothing here may wait for the user. Requests
// that need an answer or take time (a question, the summary, a sound) take a callback that the front
// end calls later on the same thread, possibly before returning. Each front end decides what an event
// looks like: the desktop program blinks its icon while a run is on, the command line prints a line.
class IRunEvents
{
public:
    virtual ~IRunEvents() = default;

    virtual void OnRunStarted(const RunStartedEvent& event) = 0;
    // A worker has started on the record.
    virtual void OnPageStarted(const Curl& record) { (void)record; }
    // Body size so far in whole kilobytes, at most once per 5 KB step.
    virtual void OnPageProgress(const Curl& record, int kilobytes)
    {
        (void)record;
        (void)kilobytes;
    }
    virtual void OnPageChecked(const PageCheckedEvent& event) = 0;
    virtual void OnRunEnded(const RunEndedEvent& event) = 0;
    virtual void OnRunClosed(const RunClosedEvent& event) { (void)event; }
    virtual void OnNextCheck(const NextCheckEvent& event) { (void)event; }
    // A scheduled run is due and about to start (it starts nothing on an empty list or during a run).
    virtual void OnScheduledRunDue() { }
    virtual void OnProblem(ProblemSeverity severity, const std::string& text) = 0;
    // A passing note that is not a problem, such as notifications left in the outbox for later.
    virtual void OnNotice(const std::string& text) { (void)text; }

    // A Yes/No question; answered(true) for Yes.
    virtual void Ask(const std::string& question, std::function<void(bool)> answered) = 0;
    // The summary of a finished run; shown as a notice the user closes when boxWanted (the showSummary
    // setting). done follows once the user has seen it, or at once when nothing waits.
    virtual void ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done) = 0;
    virtual void Announce(const ChangeAnnouncement& announcement) { (void)announcement; }
    // 1 the program's own sound, 2 the wave file; done follows once it has ended or could not play.
    virtual void PlaySound(int preference, const std::string& fileName, std::function<void()> done)
    {
        (void)preference;
        (void)fileName;
        done();
    }
};
