#pragma once

#include <QTableView>
#include <QUrl>

#include <functional>

class CListSession;
class QAction;

// Every command the list offers; the main window puts their actions into its menus and toolbar.
enum class ListCommand
{
    AddUrl,
    ClearAllChanges,
    Properties,
    Delete,
    ClearChanges,
    OpenInBrowser,
    CheckForChanges,
    StopChecking,
    ShowDifferences,
    ViewLogFile,
    ShowLocalPage,
    ShowInternetPage,
    ViewUpdateLog,
    DeleteUpdateLog
};

// The list of watched pages: one row per page, the commands on them and the check run in the GUI.
class CMyListView : public QTableView
{
    Q_OBJECT
public:
    explicit CMyListView(CListSession& session, QWidget* parent = nullptr);
    ~CMyListView() override;

    // The command's action, for menus and toolbars; its enabled state follows the selection and the run.
    QAction* Action(ListCommand command) const;

    void CheckAll();
    bool IsRunning() const;
    void StopChecking();

    // After the document changed wholesale (loaded, replaced).
    void FillList();

    // Each returns the number of pages added, or -1 after showing the error.
    int ImportFavorites(const QString& dir);
    int ImportBookmarks(const QString& file);
    int ImportList(const QString& file);

    // Puts the widths of the six columns into col1..col6; call before the list is saved.
    void StoreColumnWidths();

    // The main window's sound: the end of a run calls it and goes on when the sound has ended.
    using SoundHook = std::function<void(int pref, const QString& file, std::function<void()> onEnded)>;
    void SetSoundHook(SoundHook hook);

signals:
    void statusText(const QString& text);
    void trayTip(const QString& text);
    void busyChanged(bool busy);
    void blinkingChanged(bool blinking);
    void changesPresent(int count);
    void runningChanged(bool running);
    void showInPane(const QUrl& url);
    void popupRequested(const QString& text, int appearMs, int stayMs, int vanishMs);

private:
    class CImpl;
    CImpl* m_impl = nullptr;
};
