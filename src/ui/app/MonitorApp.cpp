#include "ui/app/MonitorApp.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/OutboxWorker.h"
#include "ui/app/ColourScheme.h"
#include "ui/app/CrashHandler.h"
#include "ui/app/GuiControl.h"
#include "ui/app/SingleInstance.h"
#include "ui/app/StartupProbe.h"
#include "ui/app/TerminationSignal.h"
#include "ui/main/MainFrame.h"
#include "ui/main/TrayIcon.h"
#include "ui/notify/DesktopActions.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

CMonitorApp::CMonitorApp() = default;

CMonitorApp::~CMonitorApp()
{
    m_outbox.reset(); // stops the delivery in progress; its rows stay for the next start
    m_desktopActions.reset();
    m_control.reset(); // no more requests on a list that is about to go
    m_frame.reset(); // the window and the list view go before the run and the list they show
    m_run.reset();
}

bool CMonitorApp::PrepareProcess()
{
    const bool platformChosen = std::getenv("QT_QPA_PLATFORM") && *std::getenv("QT_QPA_PLATFORM");
    const bool display = (std::getenv("DISPLAY") && *std::getenv("DISPLAY"))
        || (std::getenv("WAYLAND_DISPLAY") && *std::getenv("WAYLAND_DISPLAY"));
    if (!display && !platformChosen) {
        std::fputs("sitevigil: no display to show a window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                   "On a machine without a desktop use sitevigil-cli, e.g. \"sitevigil-cli list\".\n",
                   stderr);
        return false;
    }
    if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) {
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        std::fputs("sitevigil: running as root, so the browser pane runs without its sandbox.\n", stderr);
    }
    // The browser pane shares its OpenGL context with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}

int CMonitorApp::InitInstance()
{
    QApplication::setApplicationName(QStringLiteral("Site Vigil"));
    QApplication::setApplicationDisplayName(QStringLiteral("Site Vigil"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(SITEVIGIL_VERSION_MAJOR)
                                            .arg(SITEVIGIL_VERSION_MINOR)
                                            .arg(SITEVIGIL_VERSION_BUILD));
    QApplication::setDesktopFileName(QStringLiteral(SITEVIGIL_APP_ID));
    // The program lives on in the tray after its window is hidden; it ends by the main window's exit.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string storage = CVigilPrefs::GetInstance().GetStorageFolder();
    CrashHandler::Install(storage + "crashReports/");

    // One program per storage folder: a second one brings the first one's window up and ends.
    if (const Status locked = m_session.Lock(); !locked.ok()) {
        const Status shown = SingleInstance::AskToShow(storage);
        if (shown)
            return 0;
        // Nobody to ask is told by the lock's own words; a refusal adds the other program's reason.
        MessageBox::Error(nullptr,
                          QString::fromStdString(shown.error().kind == ErrorKind::NotFound
                                                     ? locked.error().message
                                                     : locked.error().message + " (" + shown.error().message + ")"));
        return kFailed;
    }

    const bool startMinimized = CVigilPrefs::GetInstance().ReadInt(Pref::startMinimized) != 0;
    // Dark or light as the desktop prefers, before the first window is drawn.
    m_colourScheme = std::make_unique<CColourScheme>();
    m_colourScheme->Follow();
    OpenList();

    m_run = std::make_unique<CGuiRun>(m_session);
    m_frame = std::make_unique<CMainFrame>(m_session, *m_run);
    // While the window is up, sitevigil-cli hands its changes to it instead of stopping with a message,
    // and a second desktop program asks it for the window.
    m_control = std::make_unique<CGuiControl>(m_session, m_frame->ListView());
    connect(m_control.get(), &CGuiControl::activationRequested, m_frame.get(), &CMainFrame::BringToFront);
    connect(m_control.get(), &CGuiControl::reported, m_frame.get(), &CMainFrame::SetStatusText);
    const Status listening = m_control->Start(storage);
    m_outbox = std::make_unique<COutboxWorker>(storage);
    m_desktopActions
        = std::make_unique<CDesktopActions>(m_frame->ListView(), m_session.Doc(), [this] { m_frame->BringToFront(); });
    m_desktopActions->Listen();
    // A logout or a kill saves first, as closing does; the session manager's request likewise.
    m_termination = std::make_unique<CTerminationSignal>();
    connect(m_termination.get(), &CTerminationSignal::terminationRequested, m_frame.get(), &CMainFrame::EndSession);
    connect(qApp, &QGuiApplication::commitDataRequest, m_frame.get(), [this] {
        if (!m_session.IsDamaged())
            m_session.Save();
    });
    if (startMinimized && m_frame->HideToTray()) {
        // in the tray
    } else if (startMinimized) {
        m_frame->showMinimized(); // no tray to hide in: the taskbar keeps the window reachable
    } else {
        m_frame->show();
        StartupProbe::WindowPainted(m_frame.get());
    }
    if (!listening) {
        // Said where the user looks: another user may hold the name, and a second start would not find
        // this window.
        const QString text = QStringLiteral("Commands of sitevigil-cli and a second start of Site Vigil cannot reach "
                                            "this program: %1")
                                 .arg(QString::fromStdString(listening.error().message));
        std::fprintf(stderr, "sitevigil: %s\n", text.toLocal8Bit().constData());
        m_frame->SetStatusText(text);
        MessageBox::Warning(m_frame.get(), text);
    }
    if (const std::string problem = CVigilPrefs::GetInstance().StoreProblemText(); !problem.empty()) {
        QString text = QString::fromStdString(problem) + QLatin1Char('.');
        text[0] = text[0].toUpper();
        std::fprintf(stderr, "sitevigil: %s\n", problem.c_str());
        m_frame->SetStatusText(text);
        MessageBox::Warning(m_frame.get(), text);
    }
    TellAboutCrashReport(storage);
    return kRunning;
}

// A list file that cannot be read whole is shown as far as it was read; the session then refuses to
// save over it until the user decides (File > Save and Exit ask).
void CMonitorApp::OpenList()
{
    const Status opened = m_session.Open(true);
    if (opened.ok())
        return;
    const QString path = QString::fromStdString(m_session.Doc().GetDefaultPath());
    if (m_session.IsDamaged()) {
        MessageBox::Warning(nullptr,
                            QStringLiteral("The list file %1 could not be read whole: %2\n\nThe %3 pages that could "
                                           "be read are shown. Site Vigil will not save over the damaged file until "
                                           "you agree to keep it under another name (File > Save asks).")
                                .arg(path, QString::fromStdString(opened.error().message))
                                .arg(m_session.Doc().Count()));
    } else {
        MessageBox::Warning(nullptr,
                            QStringLiteral("The list file %1 could not be read: %2")
                                .arg(path, QString::fromStdString(opened.error().message)));
    }
}

void CMonitorApp::TellAboutCrashReport(const std::string& storageFolder)
{
    const std::string report = CrashHandler::TakeNewReport(storageFolder + "crashReports/");
    if (report.empty())
        return;
    MessageBox::Information(m_frame.get(),
                            QStringLiteral("Site Vigil ended unexpectedly last time. A report with "
                                           "the details was written to %1")
                                .arg(QString::fromStdString(report)));
}
