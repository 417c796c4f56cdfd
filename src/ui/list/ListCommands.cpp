// The list view's commands on pages: add, edit, delete, clear, open, show, and the imports.
#include "check/PageFiles.h"
#include "check/RemovedPages.h"
#include "ui/list/MyListView.h"

#include "model/ListImport.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/UpdateLog.h"
#include "platform/Shell.h"
#include "ui/import/SteppedImport.h"
#include "ui/list/BrowserLauncher.h"
#include "ui/list/MultBrowsersDlg.h"
#include "ui/list/PageListModel.h"
#include "ui/list/PaneContent.h"
#include "ui/props/UrlPropertiesSheet.h"
#include "ui/widgets/MessageBox.h"

#include <QDialog>

#include <algorithm>

namespace {

// The URL properties sheet over the record; true after OK.
bool EditRecord(Curl& record, bool isNewPage, QWidget* parent)
{
    CUrlPropertiesSheet sheet(record, isNewPage, parent);
    return sheet.exec() == QDialog::Accepted;
}

} // namespace

void CMyListView::AddUrl()
{
    std::unique_ptr<Curl> record = CListSession::NewRecord("");
    // No to the duplicate question goes back to the sheet with what was typed; only Cancel gives up.
    while (EditRecord(*record, true, this)) {
        if (m_session.Doc().IsDuplicate(*record) && CVigilPrefs::GetInstance().ReadInt(Pref::confirmDuplicates) != 0
            && !MessageBox::AskYesNo(this, "This URL already exists. Are you sure you want add?"))
            continue;
        AppendRecord(std::move(record));
        return;
    }
}

void CMyListView::AppendRecord(std::unique_ptr<Curl> record)
{
    m_session.Doc().AddRecord(std::move(record));
}

void CMyListView::ShowProperties()
{
    Curl* record = FirstSelected();
    if (!record)
        return;
    if (!EditRecord(*record, false, this))
        return;
    // A check that started before the edit judged the old settings; its results must not land.
    record->MarkEdited();
    m_session.Doc().NotifyChanged(*record);
}

void CMyListView::DeleteSelected()
{
    const std::vector<Curl*> records = SelectedRecords();
    if (records.empty())
        return;
    if (CVigilPrefs::GetInstance().ReadInt(Pref::confirmDeletes) != 0
        && !MessageBox::AskYesNo(this, "Are you sure you want to remove selected items?"))
        return;
    // From the bottom, so that the rows still to go keep their numbers.
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if ((*it)->GetSerial() == m_shownSerial) {
            // The pane must not go on showing a page that is no longer watched.
            m_shownSerial = 0;
            emit showNoticeInPane({}, {});
        }
        m_browser->Forget(*it);
        std::unique_ptr<Curl> gone = m_session.Doc().RemoveRecord(*it);
        // Its files go to removed/, history included, where purging empties them.
        if (gone)
            MovePageFilesToRemoved(GetPagesFolder(), gone->m_strPageID);
    }
    emit changesPresent(CountChanged());
}

void CMyListView::ClearSelectedChanges()
{
    for (Curl* record : SelectedRecords()) {
        CListSession::ClearChange(*record);
        m_session.Doc().NotifyChanged(*record);
    }
    emit changesPresent(CountChanged());
}

void CMyListView::ClearAllChanges()
{
    if (CVigilPrefs::GetInstance().ReadInt(Pref::confirmClearChanges) != 0
        && !MessageBox::AskYesNo(this, "Clear changes from all monitored pages?"))
        return;
    m_session.ClearAllChanges();
    emit changesPresent(0);
}

void CMyListView::OpenSelectedInBrowser()
{
    const std::vector<Curl*> records = SelectedRecords();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    if (records.size() > 1 && prefs.ReadInt(Pref::warnMultipleBrowserWindows) > 0) {
        const MultBrowsersDlg::Answer answer = MultBrowsersDlg::Ask(this, static_cast<int>(records.size()));
        if (!answer.ok)
            return;
        if (answer.dontAskAgain)
            prefs.WriteInt(Pref::warnMultipleBrowserWindows.name, 0);
    }
    for (Curl* record : records)
        m_browser->Open(*record);
}

void CMyListView::ShowDifferences()
{
    Curl* record = FirstSelected();
    if (!record)
        return;
    // The report is written from the two saved copies each time it is asked for, off this thread; it is
    // shown if its page is still the one selected when it is ready.
    const uint64_t serial = record->GetSerial();
    m_reportJob.Start(GetFileBase(*record), [this, serial](bool made) {
        if (Curl* shown = FirstSelected(); shown && shown->GetSerial() == serial)
            ShowInPane(DiffReportContent(*shown, made));
    });
}

void CMyListView::ViewLogFile()
{
    if (Curl* record = FirstSelected())
        OpenWithShell(GetDebugLogPath(*record));
}

void CMyListView::ShowLocalPage()
{
    if (Curl* record = FirstSelected())
        ShowInPane(SavedCopyContent(*record));
}

void CMyListView::ShowInternetPage()
{
    if (Curl* record = FirstSelected())
        emit showInPane(QUrl(QString::fromStdString(record->GetURL())));
}

void CMyListView::ViewUpdateLog()
{
    OpenWithShell(CUpdateLog(CVigilPrefs::GetInstance().GetStorageFolder()).GetPagePath());
}

void CMyListView::DeleteUpdateLog()
{
    CUpdateLog log(CVigilPrefs::GetInstance().GetStorageFolder());
    const UpdateLogResult result = log.ClearLog();
    if (!result)
        MessageBox::Error(this,
                          "The update log could not be deleted: " + QString::fromStdString(result.error().message));
    else if (!result.value().empty())
        MessageBox::Warning(this, QString::fromStdString(result.value()));
}

QString CMyListView::ImportSummary(int added, int alreadyWatched, int skipped)
{
    return (added == 1 ? QStringLiteral("1 page imported") : QStringLiteral("%1 pages imported").arg(added))
        + QStringLiteral(", %1 already watched, %2 skipped (not web addresses)").arg(alreadyWatched).arg(skipped);
}

int CMyListView::FinishImport(const Result<ImportResult>& imported)
{
    if (!imported) {
        MessageBox::Error(this, QString::fromStdString(imported.error().message + "; nothing was imported."));
        return -1;
    }
    const int added = static_cast<int>(imported->added);
    const std::vector<std::string>& skipped = imported->skipped;
    const QString summary
        = ImportSummary(added, static_cast<int>(imported->alreadyWatched), static_cast<int>(skipped.size()));
    emit importFinished(summary);
    if (!skipped.empty()) {
        // The user should learn which shortcuts did not come along; the first few say enough.
        constexpr size_t kShown = 10;
        QString text = summary + QString(".\n\n%1 entries were not imported:").arg(skipped.size());
        for (size_t i = 0; i < std::min(skipped.size(), kShown); ++i)
            text += "\n" + QString::fromStdString(skipped[i]);
        if (skipped.size() > kShown)
            text += "\n...";
        MessageBox::Warning(this, text);
    }
    return added;
}

int CMyListView::RunImport(const std::function<Result<ImportResult>(CSiteVigilDoc&)>& import)
{
    // Imports add at the end of the list: the view shows the first new row.
    const int first = m_model->rowCount();
    const Result<ImportResult> result = import(m_session.Doc());
    if (result && result->added > 0)
        scrollTo(m_model->index(first, 0));
    emit changesPresent(CountChanged());
    return FinishImport(result);
}

int CMyListView::ImportFavorites(const QString& dir)
{
    // Pages already watched come in again only where duplicates are not confirmed.
    const bool skipWatched = CVigilPrefs::GetInstance().ReadInt(Pref::confirmDuplicates) != 0;
    return RunImport([&](CSiteVigilDoc& doc) { return ::ImportFavorites(doc, dir.toStdString(), skipWatched); });
}

int CMyListView::ImportBookmarks(const QString& file)
{
    const bool skipWatched = CVigilPrefs::GetInstance().ReadInt(Pref::confirmDuplicates) != 0;
    // A bookmarks file may hold a million links: it is read off the GUI thread and joins the list in
    // steps (the model follows the list's own events).
    const int first = m_model->rowCount();
    const SteppedImportHooks hooks;
    const Result<ImportResult> result
        = ImportBookmarksStepwise(m_session.Doc(), file.toStdString(), skipWatched, hooks);
    if (result && result->added > 0)
        scrollTo(m_model->index(first, 0));
    emit changesPresent(CountChanged());
    return FinishImport(result);
}

int CMyListView::ImportList(const QString& file)
{
    // The core takes a list file only whole, gives its pages this list's own ids and leaves out
    // addresses that could not be added by hand.
    return RunImport([&](CSiteVigilDoc& doc) { return ImportListFile(doc, file.toStdString()); });
}
