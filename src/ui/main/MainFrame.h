#pragma once

#include <QMainWindow>
#include <QTimer>

#include <memory>

class CListSession;
class CLockKeyPanes;
class CMyListView;
class CReplacedListQuestion;
class CScheduler;
class CSoundPlayer;
class CSplitFrame;
class CTaskbarNotifier;
class CTrayIcon;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;

// The main window: menus, toolbar, status bar, the list above the browser pane, the tray icon and the
// schedule timer. It mostly lives in the tray: minimising, and closing while hideToTrayOnExit is on,
// hide it there (only where the desktop has a tray; elsewhere the window would be lost).
class CMainFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CMainFrame(CListSession& session, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMyListView& ListView() const { return *m_list; }
    CSplitFrame& BrowserPane() const { return *m_pane; }
    CTrayIcon& Tray() const { return *m_tray; }

    void HideToTray();
    void RestoreFromTray();
    bool IsHiddenInTray() const { return m_hiddenInTray; }
    // A second program on the same storage folder asked for this window.
    void BringToFront();

    void SetStatusText(const QString& text);
    QString StatusText() const;
    void SetChangesPresent(int count);
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
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateTray();
    void ConnectList();
    void OnScheduleTick();
    // A failing save is shown in the status bar and the tray tip until one succeeds.
    void ShowSaveState();
    bool MoveDamagedListAside();
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
    CMyListView* m_list = nullptr;
    CSplitFrame* m_pane = nullptr;
    CTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_prefsAction = nullptr;
    QLabel* m_message = nullptr;
    QWidget* m_busyPane = nullptr;
    QProgressBar* m_busy = nullptr;
    CLockKeyPanes* m_lockKeys = nullptr;
    CTaskbarNotifier* m_popup = nullptr;
    CSoundPlayer* m_sound = nullptr;
    QTimer m_scheduleTimer;
    std::unique_ptr<CScheduler> m_scheduler;
    bool m_changesPresent = false;
    bool m_hiddenInTray = false;
    // Set by Exit: the close that follows ends the program instead of hiding the window.
    bool m_exiting = false;
};
