#pragma once

#include "render/QtDispatcher.h"
#include "run/RunCore.h"
#include "run/RunEvents.h"
#include "ui/render/GuiRenderer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CListSession;
class QWidget;

// The core's check machinery in the desktop program: the run, its engine and the schedule, with their
// events delivered on the GUI thread and turned into signals. The application object owns it; the
// main window, the list, the tray and the popup follow its signals and decide what each looks like.
// Questions, problems and the summary are asked and shown without a nested event loop (non-blocking
// message boxes over the dialog parent); the answer goes back to the core when the user gives it.
class CGuiRun : public QObject, public IRunEvents
{
    Q_OBJECT
public:
    using SoundHook = std::function<void(int pref, const QString& file, std::function<void()> onEnded)>;

    explicit CGuiRun(CListSession& session, QObject* parent = nullptr);
    ~CGuiRun() override;

    void CheckAll();
    bool CheckSelected(Curl* record);
    void StopChecking();
    bool IsRunning() const { return m_core.Run().IsRunning(); }
    CCheckRun& Run() { return m_core.Run(); }
    CScheduler& Scheduler() { return m_core.Scheduler(); }

    // The window the run's boxes belong to; none: they stand alone.
    void SetDialogParent(QWidget* parent) { m_dialogParent = parent; }
    // Without a hook the end of a run plays nothing.
    void SetSoundHook(SoundHook hook) { m_soundHook = std::move(hook); }

    // "Checking 12 of 40..."
    static QString ProgressText(int checked, int total);

    void OnRunStarted(const RunStartedEvent& event) override;
    void OnPageStarted(const Curl& record) override;
    void OnPageProgress(const Curl& record, int kilobytes) override;
    void OnPageChecked(const PageCheckedEvent& event) override;
    void OnRunEnded(const RunEndedEvent& event) override;
    void OnRunClosed(const RunClosedEvent& event) override;
    void OnNextCheck(const NextCheckEvent& event) override;
    void OnScheduledRunDue() override;
    void OnProblem(ProblemSeverity severity, const std::string& text) override;
    void OnNotice(const std::string& text) override;
    void Ask(const std::string& question, std::function<void(bool)> answered) override;
    void ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done) override;
    void Announce(const ChangeAnnouncement& announcement) override;
    void PlaySound(int preference, const std::string& fileName, std::function<void()> done) override;

signals:
    // wholeList: a run over the list (the tray blinks), not over the selected page.
    void runStarted(int pages, bool wholeList);
    void runningChanged(bool running);
    // The closing steps of a run (summary, log, notifications) are done: the program is idle again.
    void runClosed();
    // What the status bar says about the run and the schedule.
    void statusText(const QString& text);
    // What the tray icon's tip says.
    void trayTip(const QString& text);
    void busyChanged(bool busy);
    void blinkingChanged(bool blinking);
    // Pages marked changed, counted at the end of a run.
    void changesPresent(int count);
    void pageProgress(quint64 serial, int kilobytes);
    void pageChecked(quint64 serial, int checked, int total);
    // When the global schedule runs next, in seconds since 1970.
    void nextGlobalCheck(qint64 seconds);
    // New changes were found: the popup tells of them.
    void changesAnnounced(int newChanges, int totalChanges);

private:
    SoundHook m_soundHook;
    QPointer<QWidget> m_dialogParent;
    // The core is declared last: it goes first, before the dispatcher it posts to.
    CQtDispatcher m_dispatcher;
    CGuiRenderer m_renderer;
    CRunCore m_core;
};
