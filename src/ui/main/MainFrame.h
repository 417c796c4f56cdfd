#pragma once

#include <QMainWindow>
#include <QTimer>

#include <memory>

class CGuiRun;
class CListSession;
class CLockKeyPanes;
class CMyListView;
class CReplacedListQuestion;
class CSoundPlayer;
class CSplitFrame;
class CTaskbarNotifier;
class CTrayIcon;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;

// The main window: menus, toolbar, status bar, the list above the browser pane, the tray icon and the
// schedule timer. It mostly lives in the tray: minimising, and closing while hideToTrayOnExit is on,
// hide it there (only where the desktop has a tray; elsewhere the window would be lost).
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    // The run belongs to the application; the window shows it and ticks its schedule.
    CMainFrame(CListSession& session, CGuiRun& run, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMyListView& ListView() const { return *m_list; }
    CSplitFrame& BrowserPane() const { return *m_pane; }
    CTrayIcon& Tray() const { return *m_tray; }
    CTaskbarNotifier& Popup() const { return *m_popup; }
    bool ChangesPresent() const { return m_changesPresent; }

    // False, with the window left as it is, where no tray icon can be shown to bring it back.
    bool HideToTray();
    void RestoreFromTray();
    bool IsHiddenInTray() const { return m_hiddenInTray; }
    // A second program on the same storage folder asked for this window.
    void BringToFront();
    // The popup was clicked: the window comes up with the changed pages selected.
    void ShowChangedPages();

    void SetStatusText(const QString& text);
    // The bar over the list (an import's summary) and its text; empty while it is closed.
    void ShowNotice(const QString& text);
    QString Notice() const;
    QString StatusText() const;
    void SetChangesPresent(int count);
    void SetTrayTip(const QString& tip);
    void StartBlinking();
    void StopBlinking();
    void ShowBusy();
    void HideBusy();
    bool IsBusyShown() const;

    // Stops the schedule timer and starts it again (after the schedule settings changed).
    void RestartScheduleTimer();

    // Saves the list to its file in the storage folder; on failure tells the user and returns false.
    // A list whose file could not be read whole is saved only once the user has agreed to keep the
    // damaged file under another name.
    bool SaveList();
    // Ends the program as the tray menu's Exit does: saves first and stays open if that fails.
    void Exit();
    // The session ends (SIGTERM, a logout): saves as closing does, asking nothing, then quits.
    void EndSession();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The window's size, place and split of the last time.
    void RestoreWindowState();
    void StoreWindowState();
    QWidget* CreateNoticeBar(QWidget* parent);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateTray();
    void ConnectList();
    void ConnectRun();
    void OnScheduleTick();
    // A failing save is shown in the status bar and the tray tip until one succeeds.
    void ShowSaveState();
    bool MoveDamagedListAside();
    // A window hidden in a tray that has gone comes back.
    void KeepReachable();
    bool SaveOnExit();
    QString m_saveFailure;
    CReplacedListQuestion* m_replacedList = nullptr;

    void OnPreferences();
    void OnImportFavorites();
    void OnImportBookmarks();
    void OnImportList();
    void OnSave();
    void OnSaveAs();
    void OnAbout();
    void OnHelp();
    void ShowImported(int count);

    CListSession& m_session;
    CGuiRun& m_run;
    CMyListView* m_list = nullptr;
    CSplitFrame* m_pane = nullptr;
    QSplitter* m_splitter = nullptr;
    CTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_prefsAction = nullptr;
    QLabel* m_message = nullptr;
    QWidget* m_noticeBar = nullptr;
    QLabel* m_notice = nullptr;
    QWidget* m_busyPane = nullptr;
    QProgressBar* m_busy = nullptr;
    CLockKeyPanes* m_lockKeys = nullptr;
    CTaskbarNotifier* m_popup = nullptr;
    CSoundPlayer* m_sound = nullptr;
    QTimer m_scheduleTimer;
    bool m_changesPresent = false;
    bool m_hiddenInTray = false;
    bool m_checking = false;
    // Set by Exit: the close that follows ends the program instead of hiding the window.
    bool m_exiting = false;
};
