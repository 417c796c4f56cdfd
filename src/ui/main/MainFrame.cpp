#include "ui/main/MainFrame.h"

#include "model/ListImport.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/history/PurgeRemoved.h"
#include "ui/history/VersionChooser.h"
#include "ui/list/BrowserImportDialog.h"
#include "ui/list/MyListView.h"
#include "ui/main/AboutDialog.h"
#include "ui/main/BrowserView.h"
#include "ui/main/LockKeyPanes.h"
#include "ui/main/ReplacedListQuestion.h"
#include "ui/main/SplitFrame.h"
#include "ui/main/ToolbarIcons.h"
#include "ui/main/TrayIcon.h"
#include "ui/main/UserGuide.h"
#include "ui/notify/SoundPlayer.h"
#include "ui/notify/TaskbarNotifier.h"
#include "ui/prefs/PreferencesSheet.h"
#include "ui/run/GuiRun.h"
#include "ui/widgets/MessageBox.h"
#include "ui/widgets/PlainText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>

namespace {

const QString kListFilter = QStringLiteral("Site Vigil Files (*.dat);;All Files (*)");
const QString kCheckingTip = QStringLiteral("Currently checking for changes...");
const QString kIdleTip = QStringLiteral("Site Vigil");

// A tool tip that names the key of its command, as the menus do.
void WithShortcutTip(QAction* action, QString tip)
{
    tip.remove(QLatin1Char('&'));
    if (tip.endsWith(QLatin1String("...")))
        tip.chop(3);
    if (!action->shortcut().isEmpty() && !tip.endsWith(QLatin1Char(')')))
        tip += QStringLiteral(" (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
    action->setToolTip(tip);
}

} // namespace

CMainFrame::CMainFrame(CListSession& session, CGuiRun& run, QWidget* parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_run(run)
{
    setWindowTitle(QString::fromStdString(session.Doc().GetTitle()) + QStringLiteral(" - Site Vigil"));
    setWindowIcon(AppIcon());
    resize(960, 680);

    m_list = new CMyListView(session, run);
    m_replacedList = new CReplacedListQuestion(this, session, *m_list, [this](const QString& text) { SetStatusText(text); });
    const std::string storage = CVigilPrefs::GetInstance().GetStorageFolder();
    m_pane = new CSplitFrame([this]() { return m_list->FirstSelected(); }, storage);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_pane);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setSizes({120, 120});
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(CreateNoticeBar(central));
    column->addWidget(m_splitter, 1);
    setCentralWidget(central);
    RestoreWindowState();

    m_popup = new CTaskbarNotifier(nullptr);
    m_sound = new CSoundPlayer(this);

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateTray();
    ConnectList();
    ConnectRun();
    connect(&m_scheduleTimer, &QTimer::timeout, this, &CMainFrame::OnScheduleTick);
    RestartScheduleTimer();
    // The mark that pages have changed comes from the list itself, not only from the next run's end.
    SetChangesPresent(m_list->CountChanged());
    m_list->setFocus();
}

CMainFrame::~CMainFrame()
{
    // The run outlives the window: nothing of it may reach the window's parts from here on.
    m_run.SetSoundHook({});
    m_run.SetDialogParent(nullptr);
    disconnect(&m_run, nullptr, this, nullptr);
    disconnect(&m_run, nullptr, m_popup, nullptr);
    delete m_popup;
}

void CMainFrame::RestoreWindowState()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    const QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(prefs.ReadString(Pref::windowGeometry)));
    const QByteArray split = QByteArray::fromBase64(QByteArray::fromStdString(prefs.ReadString(Pref::windowSplitter)));
    // Qt refuses what it cannot use and keeps the window on a screen that is there now.
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    if (!split.isEmpty())
        m_splitter->restoreState(split);
}

void CMainFrame::StoreWindowState()
{
    m_list->StoreColumnWidths();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteString(Pref::windowGeometry.name, saveGeometry().toBase64().toStdString());
    prefs.WriteString(Pref::windowSplitter.name, m_splitter->saveState().toBase64().toStdString());
}

// A bar over the list for a summary that must not be overwritten by the status bar's countdown: it
// stays until its close button is pressed or the next summary replaces it.
QWidget* CMainFrame::CreateNoticeBar(QWidget* parent)
{
    auto* bar = new QFrame(parent);
    bar->setFrameShape(QFrame::StyledPanel);
    m_noticeBar = bar;
    m_noticeBar->setObjectName(QStringLiteral("noticeBar"));
    m_noticeBar->setAutoFillBackground(true);
    m_noticeBar->setBackgroundRole(QPalette::AlternateBase);
    auto* row = new QHBoxLayout(m_noticeBar);
    row->setContentsMargins(8, 4, 4, 4);
    m_notice = MakePlain(new QLabel(m_noticeBar));
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    auto* close = new QToolButton(m_noticeBar);
    close->setObjectName(QStringLiteral("closeNotice"));
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(QStringLiteral("Close"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, m_noticeBar, &QWidget::hide);
    row->addWidget(m_notice, 1);
    row->addWidget(close);
    m_noticeBar->hide();
    return m_noticeBar;
}

void CMainFrame::ShowNotice(const QString& text)
{
    m_notice->setText(text);
    m_noticeBar->show();
}

QString CMainFrame::Notice() const
{
    return m_noticeBar->isVisibleTo(this) ? m_notice->text() : QString();
}

void CMainFrame::CreateMenus()
{
    auto act = [this](ListCommand command) { return m_list->Action(command); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(act(ListCommand::AddUrl));
    file->addAction(act(ListCommand::ClearAllChanges));
    m_prefsAction = file->addAction(ToolbarIcon("preferences"), QStringLiteral("&Preferences..."), this,
                                    &CMainFrame::OnPreferences);
    m_prefsAction->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    QMenu* import = file->addMenu(QStringLiteral("&Import"));
    import->addAction(QStringLiteral("Favorites folder (.url and .desktop links)..."), this,
                      &CMainFrame::OnImportFavorites);
    import->addAction(QStringLiteral("Netscape/Mozilla Bookmarks..."), this, &CMainFrame::OnImportBookmarks);
    import->addAction(QStringLiteral("Firefox Bookmarks..."), this,
                      [this] { ShowImported(ImportFromBrowser(BrowserFamily::Firefox, *m_list, this)); });
    import->addAction(QStringLiteral("Chromium, Chrome, Brave, Vivaldi, Edge Bookmarks..."), this,
                      [this] { ShowImported(ImportFromBrowser(BrowserFamily::Chromium, *m_list, this)); });
    import->addAction(QStringLiteral("Site Vigil"), this, &CMainFrame::OnImportList);
    file->addSeparator();
    file->addAction(ToolbarIcon("save"), QStringLiteral("&Save"), this, &CMainFrame::OnSave)
        ->setShortcut(QKeySequence::Save);
    file->addAction(QStringLiteral("Save &as..."), this, &CMainFrame::OnSaveAs);
    file->addSeparator();
    file->addAction(QStringLiteral("P&urge removed pages..."), this, [this] { PurgeRemovedPagesAsked(this); });
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"), this, &CMainFrame::Exit);

    QMenu* url = menuBar()->addMenu(QStringLiteral("&Url"));
    for (ListCommand command :
         {ListCommand::Properties, ListCommand::Delete, ListCommand::ClearChanges, ListCommand::OpenInBrowser,
          ListCommand::CheckForChanges, ListCommand::CheckAll, ListCommand::StopChecking, ListCommand::ShowDifferences,
          ListCommand::ViewLogFile, ListCommand::ShowLocalPage, ListCommand::ShowInternetPage})
        url->addAction(act(command));

    QMenu* log = menuBar()->addMenu(QStringLiteral("&Log"));
    log->addAction(act(ListCommand::ViewUpdateLog));
    log->addAction(act(ListCommand::DeleteUpdateLog));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(ToolbarIcon("about"), QStringLiteral("&About SiteVigil..."), this, &CMainFrame::OnAbout);
    help->addAction(QStringLiteral("&Support on the web..."), this, &CMainFrame::OnHelp);
    QAction* guide = help->addAction(ToolbarIcon("help"), QStringLiteral("&Help"), this, &CMainFrame::OnHelp);
    guide->setShortcut(QKeySequence::HelpContents);
}

void CMainFrame::CreateToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setIconSize(QSize(22, 22));
    auto addList = [this, bar](ListCommand command, const char* icon) {
        QAction* action = m_list->Action(command);
        // The list's own image wins; ours fills in where it has none.
        if (action->icon().isNull())
            action->setIcon(ToolbarIcon(icon));
        bar->addAction(action);
    };
    addList(ListCommand::AddUrl, "add-url");
    addList(ListCommand::Properties, "properties");
    addList(ListCommand::Delete, "delete");
    bar->addSeparator();
    addList(ListCommand::CheckAll, "check");
    WithShortcutTip(m_list->Action(ListCommand::CheckAll), QStringLiteral("Check all web pages for changes"));
    addList(ListCommand::StopChecking, "stop");
    bar->addSeparator();
    addList(ListCommand::ClearChanges, "clear-changes");
    addList(ListCommand::OpenInBrowser, "open-browser");
    addList(ListCommand::ShowDifferences, "differences");
    bar->addSeparator();
    bar->addAction(m_prefsAction);
    for (QAction* action : bar->actions())
        WithShortcutTip(action, action->toolTip());
    bar->addAction(ToolbarIcon("about"), QStringLiteral("About SiteVigil"), this, &CMainFrame::OnAbout);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    m_message = MakePlain(new QLabel(QStringLiteral("Ready"), bar));
    m_message->setMinimumWidth(200);
    bar->addWidget(m_message, 1);
    // The busy indicator's pane: blank until a run shows the indicator in it.
    m_busyPane = new QWidget(bar);
    m_busyPane->setFixedWidth(220);
    auto* layout = new QHBoxLayout(m_busyPane);
    layout->setContentsMargins(2, 2, 2, 2);
    bar->addPermanentWidget(m_busyPane);
    m_lockKeys = new CLockKeyPanes(bar);
}

void CMainFrame::CreateTray()
{
    m_tray = new CTrayIcon(this);
    m_tray->SetRowIcon(0, AppIcon(false));
    m_tray->SetRowIcon(1, AppIcon(true));
    m_trayMenu = new QMenu(this);
    m_trayMenu->addAction(QStringLiteral("Restore"), this, &CMainFrame::RestoreFromTray);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(QStringLiteral("Check for changes"), m_list, &CMyListView::CheckAll);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(QStringLiteral("Exit"), this, &CMainFrame::Exit);
    m_tray->SetMenu(m_trayMenu);
    connect(m_tray, &CTrayIcon::activated, this, &CMainFrame::RestoreFromTray);
}

void CMainFrame::ConnectRun()
{
    connect(&m_run, &CGuiRun::statusText, this, &CMainFrame::SetStatusText);
    connect(&m_run, &CGuiRun::trayTip, this, &CMainFrame::SetTrayTip);
    connect(&m_run, &CGuiRun::busyChanged, this, [this](bool busy) { busy ? ShowBusy() : HideBusy(); });
    connect(&m_run, &CGuiRun::blinkingChanged, this,
            [this](bool blinking) { blinking ? StartBlinking() : StopBlinking(); });
    connect(&m_run, &CGuiRun::changesPresent, this, &CMainFrame::SetChangesPresent);
    connect(&m_run, &CGuiRun::changesAnnounced, m_popup, &CTaskbarNotifier::AnnounceChanges);
    // The popup leaves the tray icon free for the click meant for it, and a click on the popup shows
    // the pages it announced.
    m_popup->SetKeepClear([this] { return m_tray->Geometry(); });
    connect(m_popup, &CTaskbarNotifier::clicked, this, &CMainFrame::ShowChangedPages);
    m_run.SetDialogParent(this);
    m_run.SetSoundHook([this](int pref, const QString& file, std::function<void()> onEnded) {
        m_sound->Play(pref, file, std::move(onEnded));
    });
}

void CMainFrame::ConnectList()
{
    connect(m_list, &CMyListView::importFinished, this, &CMainFrame::ShowNotice);
    connect(m_list, &CMyListView::changesPresent, this, &CMainFrame::SetChangesPresent);
    // The versions on offer follow the page on show.
    connect(m_list, &CMyListView::showInPane, this, [this](const QUrl& url) {
        m_pane->View().ShowUrl(url);
        m_pane->Chooser().Reload();
    });
    connect(m_list, &CMyListView::showNoticeInPane, this, [this](const QString& heading, const QString& text) {
        m_pane->View().ShowNotice(heading, text);
        m_pane->Chooser().Reload();
    });
}

bool CMainFrame::HideToTray()
{
    // Without an icon in a notification area a hidden window could not be brought back.
    if (!m_tray->Show(m_changesPresent ? 1 : 0))
        return false;
    // While hidden the window has no place; the one it had is what comes back at the next start.
    if (isVisible())
        StoreWindowState();
    hide();
    m_hiddenInTray = true;
    return true;
}

void CMainFrame::KeepReachable()
{
    if (!m_hiddenInTray || CTrayIcon::IsAvailable())
        return;
    // The panel that held the icon has gone (ended, or restarted without it): the window comes back
    // rather than leaving a program nobody can reach.
    m_tray->Hide();
    m_hiddenInTray = false;
    show();
}

void CMainFrame::RestoreFromTray()
{
    m_tray->Hide();
    showNormal();
    raise();
    activateWindow();
    m_hiddenInTray = false;
}

void CMainFrame::BringToFront()
{
    if (m_hiddenInTray) {
        RestoreFromTray();
        return;
    }
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void CMainFrame::ShowChangedPages()
{
    BringToFront();
    m_list->SelectChanged();
    m_list->setFocus();
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_message->setText(text);
}

QString CMainFrame::StatusText() const
{
    return m_message->text();
}

void CMainFrame::SetTrayTip(const QString& tip)
{
    // A failing save keeps the tip until a save succeeds; a run in progress says so until it ends.
    if (!m_saveFailure.isEmpty() || (m_checking && tip != kCheckingTip))
        return;
    m_tray->SetTip(tip);
}

void CMainFrame::SetChangesPresent(int count)
{
    m_changesPresent = count > 0;
    setWindowIcon(AppIcon(m_changesPresent));
    if (m_hiddenInTray)
        m_tray->Show(m_changesPresent ? 1 : 0);
}

void CMainFrame::StartBlinking()
{
    SetTrayTip(kCheckingTip);
    m_checking = true;
    m_tray->SetMode(CTrayIcon::Blinking);
}

void CMainFrame::StopBlinking()
{
    m_checking = false;
    m_tray->SetMode(CTrayIcon::Steady);
    // The schedule's next tick puts the time to the next check here.
    SetTrayTip(kIdleTip);
}

void CMainFrame::ShowBusy()
{
    if (!m_busy) {
        m_busy = new QProgressBar(m_busyPane);
        m_busy->setRange(0, 0); // indeterminate: it animates on its own
        m_busy->setTextVisible(false);
        m_busyPane->layout()->addWidget(m_busy);
    }
    m_busy->show();
}

void CMainFrame::HideBusy()
{
    if (m_busy)
        m_busy->hide();
}

bool CMainFrame::IsBusyShown() const
{
    return m_busy && m_busy->isVisible();
}

void CMainFrame::RestartScheduleTimer()
{
    m_scheduleTimer.stop();
    m_scheduleTimer.start(1000);
}

void CMainFrame::OnScheduleTick()
{
    // The scheduler's save each minute would write over a list file that could not be read whole:
    // until the user has decided about it, the schedule waits.
    if (m_session.IsDamaged())
        SetStatusText(QStringLiteral("Scheduled checks and saves wait until the damaged list file is dealt with "
                                     "(File > Save)"));
    else
        m_run.Scheduler().OnScheduleTick();
    m_lockKeys->Refresh();
    ShowSaveState();
    // Noticed within a second, and asked before the minute's save would be refused.
    if (!m_session.IsDamaged())
        m_replacedList->AskIfReplaced();
    KeepReachable();
}

void CMainFrame::ShowSaveState()
{
    const Status& last = m_session.Doc().LastDefaultSave();
    if (last.ok() || m_session.IsDamaged()) {
        if (m_saveFailure.isEmpty())
            return;
        m_saveFailure.clear();
        SetStatusText(QStringLiteral("The list was saved"));
        SetTrayTip(m_checking ? kCheckingTip : kIdleTip);
        return;
    }
    const QString text = QStringLiteral("The list could not be saved: %1 (Site Vigil tries again each minute)")
                             .arg(QString::fromStdString(last.error().message));
    // Other messages may take the bar meanwhile; the failure comes back each second until it is over.
    if (StatusText() != text)
        SetStatusText(text);
    if (m_saveFailure != text) {
        m_saveFailure = text;
        m_tray->SetTip(text);
    }
}

void CMainFrame::EndSession()
{
    m_list->StopChecking();
    StoreWindowState();
    // A damaged list file is never saved over without the user's word; there is no one to ask now.
    if (!m_session.IsDamaged()) {
        if (const Status saved = m_session.Save(); !saved.ok())
            std::fprintf(stderr, "sitevigil: the list could not be saved: %s\n", saved.error().message.c_str());
    }
    m_tray->Hide();
    m_popup->Retract();
    QApplication::quit();
}

bool CMainFrame::SaveList()
{
    StoreWindowState();
    if (m_session.IsDamaged()) {
        const bool agreed = MessageBox::AskYesNo(
            this,
            QStringLiteral("The list file %1 could not be read whole, so the list has not been saved over it."
                           "\n\nKeep the damaged file under another name and save the pages shown in its place?")
                .arg(QString::fromStdString(m_session.Doc().GetDefaultPath())));
        if (!agreed || !MoveDamagedListAside())
            return false;
    }
    const Status result = m_session.Save();
    if (!result.ok())
        MessageBox::Error(
            this,
            QStringLiteral("The list could not be saved: %1").arg(QString::fromStdString(result.error().message)));
    return result.ok();
}

bool CMainFrame::MoveDamagedListAside()
{
    std::string movedTo;
    const Status moved = m_session.MoveDamagedAside(&movedTo);
    if (!moved.ok()) {
        MessageBox::Error(this,
                          QStringLiteral("The damaged list file could not be moved aside: %1")
                              .arg(QString::fromStdString(moved.error().message)));
        return false;
    }
    SetStatusText(QStringLiteral("The damaged list file was kept as %1").arg(QString::fromStdString(movedTo)));
    return true;
}

void CMainFrame::Exit()
{
    m_tray->Hide();
    m_exiting = true;
    close();
    m_exiting = false;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Where no icon can be shown, closing ends the program as in any window, after saving.
    if (!m_exiting && CVigilPrefs::GetInstance().ReadInt(Pref::hideToTrayOnExit) != 0 && HideToTray()) {
        event->ignore();
        return;
    }
    m_list->StopChecking();
    if (!SaveOnExit()) {
        event->ignore();
        if (m_hiddenInTray)
            RestoreFromTray();
        return;
    }
    event->accept();
    m_tray->Hide();
    m_popup->Retract();
    QApplication::quit();
}

// The list is saved on the way out. A damaged list the user chose not to save over ends the program
// without saving (the file on disk stays as it was); any other failure keeps the program open.
bool CMainFrame::SaveOnExit()
{
    StoreWindowState();
    if (m_session.IsDamaged()) {
        const auto answer = MessageBox::Show(
            this, QMessageBox::Question,
            QStringLiteral("The list file %1 could not be read whole when Site Vigil started, so the list has "
                           "not been saved over it.\n\nYes: keep the damaged file under another name and save "
                           "the pages shown.\nNo: exit without saving.\nCancel: stay in Site Vigil.")
                .arg(QString::fromStdString(m_session.Doc().GetDefaultPath())),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer == QMessageBox::No)
            return true;
        if (answer != QMessageBox::Yes || !MoveDamagedListAside())
            return false;
    }
    const Status result = m_session.Save();
    if (result.ok())
        return true;
    MessageBox::Error(this,
                      QStringLiteral("The list could not be saved: %1\n\nSite Vigil stays open so that no "
                                     "change is lost; use File > Save as... to keep the list elsewhere.")
                          .arg(QString::fromStdString(result.error().message)));
    return false;
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && CTrayIcon::IsAvailable()) {
        // Hide after the window system has finished minimising; restoring then shows a normal window.
        QMetaObject::invokeMethod(
            this,
            [this]() {
                // Without an icon to bring it back, the window stays minimised in the taskbar.
                if (HideToTray())
                    setWindowState(windowState() & ~Qt::WindowMinimized);
            },
            Qt::QueuedConnection);
    }
}

void CMainFrame::OnPreferences()
{
    PreferencesHooks hooks;
    hooks.showPopup = [this](const QString& text, int appearMs, int stayMs, int vanishMs) {
        m_popup->Announce(text, appearMs, stayMs, vanishMs);
    };
    hooks.playSound = [this](int preference, const QString& file) { m_sound->Play(preference, file, {}); };
    hooks.rearmSchedule = [this]() { RestartScheduleTimer(); };
    CPreferencesSheet sheet(hooks, this);
    // OK re-arms the schedule through the hook; Cancel stored nothing.
    sheet.exec();
}

void CMainFrame::OnImportFavorites()
{
    const QString favorites = QString::fromStdString(DefaultFavoritesFolder());
    const QString start = QDir(favorites).exists() ? favorites : QDir::homePath();
    const QString dir = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Import a favorites folder (.url and .desktop links)"), start);
    if (!dir.isEmpty())
        ShowImported(m_list->ImportFavorites(dir));
}

void CMainFrame::OnImportBookmarks()
{
    const QString file
        = QFileDialog::getOpenFileName(this, QStringLiteral("Import Netscape/Mozilla Bookmarks"), QString(),
                                       QStringLiteral("HTML Files (*.html *.htm);;All Files (*)"));
    if (!file.isEmpty())
        ShowImported(m_list->ImportBookmarks(file));
}

void CMainFrame::OnImportList()
{
    const QString file
        = QFileDialog::getOpenFileName(this, QStringLiteral("Import a Site Vigil list"), QString(), kListFilter);
    if (!file.isEmpty())
        ShowImported(m_list->ImportList(file));
}

void CMainFrame::ShowImported(int count)
{
    if (count < 0)
        return; // the list view has shown the error
    SetStatusText(count == 1 ? QStringLiteral("1 page imported") : QStringLiteral("%1 pages imported").arg(count));
}

void CMainFrame::OnSave()
{
    if (SaveList())
        SetStatusText(QStringLiteral("The list was saved"));
}

void CMainFrame::OnSaveAs()
{
    QFileDialog dialog(this, QStringLiteral("Save as"), QString(), kListFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("dat"));
    dialog.selectFile(QStringLiteral("siteVigil.dat"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    m_list->StoreColumnWidths();
    const Status result = m_session.Doc().SaveToFile(path.toStdString());
    if (!result.ok()) {
        MessageBox::Error(this,
                          QStringLiteral("The list could not be saved to %1: %2")
                              .arg(path, QString::fromStdString(result.error().message)));
        return;
    }
    SetStatusText(QStringLiteral("The list was saved to %1").arg(path));
}

void CMainFrame::OnAbout()
{
    CAboutDialog about(this);
    about.exec();
}

void CMainFrame::OnHelp()
{
    m_pane->View().ShowUrl(UserGuideUrl());
}
