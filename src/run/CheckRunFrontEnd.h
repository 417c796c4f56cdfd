#pragma once

#include <functional>
#include <string>

class Curl;

// What a check run, its end and the scheduler show the user. All calls come on the front end's own
// thread. The GUI maps them onto its status bar, tray icon, list rows and message boxes; the CLI
// implements what makes sense without a window and ignores the rest.
class ICheckRunFrontEnd
{
public:
    virtual ~ICheckRunFrontEnd() = default;

    // First pane of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    // Tip of the tray icon.
    virtual void SetTrayTip(const std::string& text) = 0;
    // "Next check in ...": the status bar's first pane and the tray tip.
    virtual void ShowTimeLeft(const std::string& text) = 0;
    // The busy indicator in the status bar.
    virtual void ShowBusy(bool shown) = 0;
    virtual void SetTrayBlinking(bool blinking) = 0;
    // Whether any page is marked changed (the tray image while the window is hidden).
    virtual void SetChangesPending(bool anyChanged) = 0;
    // Toolbar: while a run is in progress the stop button is enabled and check-all disabled.
    virtual void SetRunButtons(bool running) = 0;

    // A worker has started on the record.
    virtual void OnPageStarted(Curl& record) { (void)record; }
    // The record (the list's own, with the check's results applied) has reported back: refresh its
    // row's texts and clear the row's selection.
    virtual void RefreshRow(Curl& record) = 0;
    // Download progress: text for the row's status column ("  %d k"); select the row, scroll to it.
    virtual void ShowRowProgress(Curl& record, const std::string& text) = 0;

    // Message boxes with an OK button: exclamation icon, error icon.
    virtual void ShowWarning(const std::string& text) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // The summary of a finished run; boxWanted is the showSummary setting (information icon, OK).
    virtual void ShowSummary(const std::string& text, bool boxWanted) = 0;
    // Question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;

    // The popup above the taskbar, with its three phases in milliseconds.
    virtual void ShowPopup(const std::string& text, int appearMs, int stayMs, int vanishMs) = 0;
    // 1 the program's own sound, 2 the wave file. Returns at once; calls onEnded on the front end's
    // thread once the sound has ended or could not play (possibly before returning). The end of a
    // run waits for onEnded before its next step.
    virtual void PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded) = 0;
};
