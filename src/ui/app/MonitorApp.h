#pragma once

#include "model/ListSession.h"

#include <QObject>

#include <memory>

class CColourScheme;
class CDesktopActions;
class CGuiControl;
class CGuiRun;
class COutboxWorker;
class CMainFrame;
class CTerminationSignal;

// The application object: starts the program in order (crash handler, one program per storage folder,
// the list, the main window) and owns what lives as long as the program: the list session, the check
// machinery (run, engine, schedule), the main window, which only shows and asks, and the end of the
// control channel that takes the changes sitevigil-cli hands over and
// a second program's request for the window. Create it after the QApplication.
class CMonitorApp : public QObject
{
    Q_OBJECT
public:
    CMonitorApp();
    ~CMonitorApp() override;

    // Exit statuses of InitInstance besides kRunning.
    static constexpr int kRunning = -1;
    static constexpr int kFailed = 1;

    // Before the QApplication: QtWebEngine cannot use its sandbox when the program runs as root, so it is
    // turned off then (and said so on standard error). False, after a message on standard error, when
    // there is no display to show a window on.
    static bool PrepareProcess();

    // The start-up. kRunning when the window is up (or in the tray) and the event loop should run; else
    // the status to exit with: 0 after handing over to the program that already owns the storage folder.
    int InitInstance();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CListSession& Session() { return m_session; }
    CGuiRun* Run() const { return m_run.get(); }

private:
    void OpenList();
    void TellAboutCrashReport(const std::string& storageFolder);

    CListSession m_session;
    // After the list, before the window: it runs on the list and outlives everything that shows it.
    std::unique_ptr<CGuiRun> m_run;
    std::unique_ptr<CColourScheme> m_colourScheme;
    std::unique_ptr<CMainFrame> m_frame;
    // After the window: it works on the window's list and goes first.
    std::unique_ptr<CGuiControl> m_control;
    std::unique_ptr<CTerminationSignal> m_termination;
    // The outbox is delivered in the background while this program owns the storage folder.
    std::unique_ptr<COutboxWorker> m_outbox;
    std::unique_ptr<CDesktopActions> m_desktopActions;
};
