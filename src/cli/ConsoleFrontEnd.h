#pragma once

#include "run/CheckRunFrontEnd.h"

#include <iosfwd>
#include <string>

// The front end of sitevigil-cli: what a run shows, written to text streams. Results go to out,
// problems to err; windows, sounds and the tray have no headless counterpart and are left out.
class CConsoleFrontEnd : public ICheckRunFrontEnd
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

    // Pages of the run, for the progress line.
    void SetRunSize(int pages);

    void SetStatusText(const std::string& text) override;
    void SetTrayTip(const std::string& text) override { (void)text; }
    void ShowTimeLeft(const std::string& text) override;
    void ShowBusy(bool shown) override { (void)shown; }
    void SetTrayBlinking(bool blinking) override { (void)blinking; }
    void SetChangesPending(bool anyChanged) override { (void)anyChanged; }
    void SetRunButtons(bool running) override;

    void OnPageStarted(Curl& record) override;
    void RefreshRow(Curl& record) override;
    void ShowRowProgress(Curl& record, const std::string& text) override;

    void ShowWarning(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowSummary(const std::string& text, bool boxWanted) override;
    // Nobody is there to answer: the question is logged and taken as Yes.
    bool AskYesNo(const std::string& question) override;

    void ShowPopup(const std::string& text, int appearMs, int stayMs, int vanishMs) override;
    void PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded) override;

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
