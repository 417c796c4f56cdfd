#pragma once

#include "platform/Error.h"
#include "ui/run/ReportJob.h"

#include <QTableView>
#include <QUrl>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CBrowserLauncher;
class CGuiRun;
class CListSession;
class CSiteVigilDoc;
struct BookmarkTree;
struct ImportResult;
class CPageListModel;
class Curl;
class QAction;
class QMenu;

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
    CheckAll,
    StopChecking,
    ShowDifferences,
    ViewLogFile,
    ShowLocalPage,
    ShowInternetPage,
    ViewUpdateLog,
    DeleteUpdateLog
};

// The list of watched pages: one row per page, the commands on them and the check run in the GUI.
// The actions carry their shortcuts (F5 check all, Shift+F5 stop, Delete, Ctrl+N add) and are active in
// the whole window the list is in, wherever the focus is.
class CMyListView : public QTableView
{
    Q_OBJECT
public:
    // The run belongs to the application; the list starts and stops it and shows its progress in the rows.
    CMyListView(CListSession& session, CGuiRun& run, QWidget* parent = nullptr);
    ~CMyListView() override;

    // The command's action, for menus and toolbars; its enabled state follows the selection and the run.
    QAction* Action(ListCommand command) const;

    CGuiRun& GuiRun() const { return m_run; }

    void CheckAll();
    bool IsRunning() const;
    void StopChecking();

    // After the document changed wholesale (loaded, replaced).
    void FillList();
    // Around a change made to the list by someone else (a command handed over by sitevigil-cli): the
    // rows follow the list by themselves; the pages that stay keep their selection.
    void BeginOutsideChange();
    void EndOutsideChange();

    // Each returns the number of pages added, or -1 after showing the error.
    int ImportFavorites(const QString& dir);
    int ImportBookmarks(const QString& file);
    int ImportList(const QString& file);
    // Browser bookmarks already read and chosen; asks first about pages already watched when the
    // duplicate confirmation is on.
    int ImportBrowserBookmarks(const BookmarkTree& tree);

    // Puts the widths of the six columns into col1..col6; call before the list is saved.
    void StoreColumnWidths();
    // When the global schedule runs next (0: not at all), for the "Next check" of its pages.
    void SetGlobalNextCheck(int64_t seconds);
    // The first selected record in list order, null when none is selected (the browser pane acts on it).
    Curl* FirstSelected() const;
    // What the empty list shows in its place.
    static QString EmptyListHint();
    // How many pages are marked changed.
    int CountChanged() const;
    // "N pages imported, M already watched, K skipped (not web addresses)".
    static QString ImportSummary(int added, int alreadyWatched, int skipped);
    // Selects the pages marked changed, the first one current and in view.
    void SelectChanged();

signals:
    // Pages marked changed, after a command changed the marks.
    void changesPresent(int count);
    void showInPane(const QUrl& url);
    // A notice of the program's own in the pane, from plain texts; both empty: nothing to show.
    void showNoticeInPane(const QString& heading, const QString& text);
    // Every import that was not refused ends with its summary.
    void importFinished(const QString& summary);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateActions();
    void CreateHeaderMenu();
    void UpdateActions();
    // The pane follows the row that is both current and selected, once the view has settled: a
    // click or a key changes the current row and the selection one after the other.
    void ScheduleShowCurrent();
    void ShowCurrentInPane();
    void OnDoubleClicked(const QModelIndex& index);
    void ShowInPane(const struct PaneContent& content);
    void ShowPageProgress(quint64 serial, int kilobytes);
    void RefreshPaneAfterCheck(quint64 serial);

    // The commands.
    void AddUrl();
    void ShowProperties();
    void DeleteSelected();
    void ClearSelectedChanges();
    void ClearAllChanges();
    void OpenSelectedInBrowser();
    void CheckSelected();
    void ShowDifferences();
    void ViewLogFile();
    void ShowLocalPage();
    void ShowInternetPage();
    void ViewUpdateLog();
    void DeleteUpdateLog();

    // The selected records in list order.
    std::vector<Curl*> SelectedRecords() const;
    void AppendRecord(std::unique_ptr<Curl> record);
    // Shows the outcome of an import and rebuilds the rows when pages were added.
    int RunImport(const std::function<Result<ImportResult>(CSiteVigilDoc&)>& import);
    int FinishImport(const Result<ImportResult>& imported);

    CListSession& m_session;
    CPageListModel* m_model;
    QAction* m_nextCheckColumn = nullptr;
    std::unique_ptr<CBrowserLauncher> m_browser;
    CGuiRun& m_run;
    CReportJob m_reportJob;
    std::array<QAction*, 15> m_actions{};
    QMenu* m_contextMenu = nullptr;
    bool m_showPending = false;
    // The record the pane was last pointed at from a row, by serial: serials are never reused.
    uint64_t m_shownSerial = 0;
    bool m_paneShowsNotice = false;
    // The selection and current row across an outside change, by serial.
    std::vector<uint64_t> m_keptSelection;
    uint64_t m_keptCurrent = 0;
};
