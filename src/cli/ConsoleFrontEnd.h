#pragma once

#include "run/RunEvents.h"

#include <iosfwd>
#include <string>

// The front end of sitevigil-cli: what a run tells, written to text streams. Results go to out,
// problems to err; the popup and the sounds have no headless counterpart and are left out.
class CConsoleFrontEnd : public IRunEvents
{
public:
    struct Options
    {
        // A progress line on err, redrawn in place (only for a terminal).
        bool progressLine = false;
        // Terminal width for the progress line.
        int columns = 80;
        // Log the status texts with the date and time in front (the daemon).
        bool logStatus = false;
    };

    CConsoleFrontEnd(std::ostream& out, std::ostream& err, Options options);

    // What the daemon logs besides the run's events: on out with logStatus, on err always.
    void Note(const std::string& text);
    void Warn(const std::string& text);

    void OnRunStarted(const RunStartedEvent& event) override;
    void OnPageStarted(const Curl& record) override;
    void OnPageChecked(const PageCheckedEvent& event) override;
    void OnRunEnded(const RunEndedEvent& event) override;
    void OnNextCheck(const NextCheckEvent& event) override;
    void OnScheduledRunDue() override;
    void OnProblem(ProblemSeverity severity, const std::string& text) override;
    // Logged by the daemon; a one-shot check says what is left in the outbox itself.
    void OnNotice(const std::string& text) override { Note(text); }
    // Nobody is there to answer: the question is logged and taken as Yes.
    void Ask(const std::string& question, std::function<void(bool)> answered) override;
    void ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done) override;

private:
    void DrawProgress();
    void ClearProgress();
    void Log(std::ostream& stream, const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    Options m_options;
    int m_total = 0;
    int m_done = 0;
    std::string m_current;
    bool m_progressShown = false;
    bool m_timeLeftPending = true;
};
