#include "ui/list/MyListView.h"

#include "check/PageFiles.h"
#include "model/ListSession.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "ui/list/BrowserLauncher.h"
#include "ui/list/PageListModel.h"
#include "ui/list/PaneContent.h"
#include "ui/run/GuiRun.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include <algorithm>

namespace {

constexpr IntPref kColumnWidths[CPageListModel::ColumnCount]
    = {Pref::col1, Pref::col2, Pref::col3, Pref::col4, Pref::col5, Pref::col6, Pref::col7};

struct CommandText
{
    ListCommand command;
    const char* menuText;
    // The text in the list's context menu; null when the command is not in it.
    const char* contextText;
    // Active in the whole window; empty for none.
    const char* shortcut = "";
};

// Menu order of the context menu.
constexpr CommandText kCommandTexts[] = {
    {ListCommand::AddUrl, "&Add URL...", nullptr, "Ctrl+N"},
    {ListCommand::ClearAllChanges, "Clear all changes", nullptr},
    {ListCommand::Properties, "Properties", "Properties"},
    {ListCommand::Delete, "Delete", "Delete", "Del"},
    {ListCommand::ClearChanges, "Clear changes", "Clear Changes"},
    {ListCommand::OpenInBrowser, "&Open in browser", "Open in Browser"},
    {ListCommand::CheckForChanges, "Check for changes", "Check for changes"},
    {ListCommand::CheckAll, "Check &all pages", nullptr, "F5"},
    {ListCommand::StopChecking, "Stop checking", nullptr, "Shift+F5"},
    {ListCommand::ShowDifferences, "Show differences", "Show Differences"},
    {ListCommand::ViewLogFile, "View log file", "View Log File"},
    {ListCommand::ShowLocalPage, "Show &locally saved page", nullptr},
    {ListCommand::ShowInternetPage, "Show page from &Internet", nullptr},
    {ListCommand::ViewUpdateLog, "View update log", nullptr},
    {ListCommand::DeleteUpdateLog, "Delete update log", nullptr},
};

// Commands on the first selected record or on every selected record.
constexpr ListCommand kSelectionCommands[] = {
    ListCommand::Properties,      ListCommand::Delete,      ListCommand::ClearChanges,  ListCommand::OpenInBrowser,
    ListCommand::ShowDifferences, ListCommand::ViewLogFile, ListCommand::ShowLocalPage, ListCommand::ShowInternetPage};

size_t Index(ListCommand command)
{
    return static_cast<size_t>(command);
}

} // namespace

CMyListView::CMyListView(CListSession& session, CGuiRun& run, QWidget* parent)
    : QTableView(parent)
    , m_session(session)
    , m_model(new CPageListModel(session.Doc(), this))
    , m_browser(std::make_unique<CBrowserLauncher>())
    , m_run(run)
{
    setObjectName("URL list");
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setFrameShape(QFrame::StyledPanel);
    verticalHeader()->hide();
    // Uniform rows let the view lay out thousands of them without asking for each one's size.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    // The last column takes what the window has to spare; a double-click on a divider fits a column.
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsMovable(false);

    // The selection stays as visible when the list loses the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);

    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    for (int column = 0; column < CPageListModel::ColumnCount; ++column)
        setColumnWidth(column, prefs.ReadInt(kColumnWidths[column]));
    CreateHeaderMenu();

    CreateActions();
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMyListView::UpdateActions);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &CMyListView::ScheduleShowCurrent);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMyListView::ScheduleShowCurrent);
    connect(this, &QAbstractItemView::doubleClicked, this, &CMyListView::OnDoubleClicked);
    connect(&m_run, &CGuiRun::runningChanged, this, &CMyListView::UpdateActions);
    connect(&m_run, &CGuiRun::pageProgress, this, &CMyListView::ShowPageProgress);
    connect(&m_run, &CGuiRun::pageChecked, this, &CMyListView::RefreshPaneAfterCheck);
    // A stopped run leaves no report for the pages it was fetching.
    connect(&m_run, &CGuiRun::runningChanged, m_model, [this](bool running) {
        if (!running)
            m_model->ClearProgress();
    });
    UpdateActions();
}

CMyListView::~CMyListView() = default;

void CMyListView::ShowPageProgress(quint64 serial, int kilobytes)
{
    const Curl* record = m_session.Doc().FindBySerial(serial);
    if (!record)
        return;
    m_model->ShowProgress(*record, QStringLiteral("  %1 k").arg(kilobytes));
    // The row comes into view; the selection stays the user's.
    const int row = m_model->RowOf(record);
    if (row >= 0)
        scrollTo(m_model->index(row, 0));
}

void CMyListView::CreateActions()
{
    m_contextMenu = new QMenu("URL Context Popup Menu", this);
    for (const CommandText& text : kCommandTexts) {
        auto* action = new QAction(text.menuText, this);
        m_actions[Index(text.command)] = action;
        if (*text.shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(text.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
            // Added here so that the key works even where no menu holds the action.
            addAction(action);
        }
        if (text.contextText) {
            // The context menu has texts of its own but does what the menu item does.
            QAction* item = m_contextMenu->addAction(text.contextText, action, &QAction::trigger);
            connect(action, &QAction::enabledChanged, item, &QAction::setEnabled);
        }
    }
    auto bind = [this](ListCommand command, void (CMyListView::*handler)()) {
        connect(m_actions[Index(command)], &QAction::triggered, this, handler);
    };
    bind(ListCommand::AddUrl, &CMyListView::AddUrl);
    bind(ListCommand::ClearAllChanges, &CMyListView::ClearAllChanges);
    bind(ListCommand::Properties, &CMyListView::ShowProperties);
    bind(ListCommand::Delete, &CMyListView::DeleteSelected);
    bind(ListCommand::ClearChanges, &CMyListView::ClearSelectedChanges);
    bind(ListCommand::OpenInBrowser, &CMyListView::OpenSelectedInBrowser);
    bind(ListCommand::CheckForChanges, &CMyListView::CheckSelected);
    bind(ListCommand::CheckAll, &CMyListView::CheckAll);
    bind(ListCommand::StopChecking, &CMyListView::StopChecking);
    bind(ListCommand::ShowDifferences, &CMyListView::ShowDifferences);
    bind(ListCommand::ViewLogFile, &CMyListView::ViewLogFile);
    bind(ListCommand::ShowLocalPage, &CMyListView::ShowLocalPage);
    bind(ListCommand::ShowInternetPage, &CMyListView::ShowInternetPage);
    bind(ListCommand::ViewUpdateLog, &CMyListView::ViewUpdateLog);
    bind(ListCommand::DeleteUpdateLog, &CMyListView::DeleteUpdateLog);
}

QAction* CMyListView::Action(ListCommand command) const
{
    return m_actions[Index(command)];
}

void CMyListView::UpdateActions()
{
    const bool selected = selectionModel()->hasSelection();
    for (ListCommand command : kSelectionCommands)
        m_actions[Index(command)]->setEnabled(selected);
    const bool running = IsRunning();
    // A single page is checked only between runs: the run's end must be detected exactly once.
    m_actions[Index(ListCommand::CheckForChanges)]->setEnabled(selected && !running);
    m_actions[Index(ListCommand::CheckAll)]->setEnabled(!running);
    m_actions[Index(ListCommand::StopChecking)]->setEnabled(running);
}

void CMyListView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (m_model->rowCount() > 0)
        return;
    // An empty list says how to fill it.
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                     EmptyListHint());
}

QString CMyListView::EmptyListHint()
{
    return QStringLiteral("Add the first page to watch: File > Add URL, or Ctrl+N");
}

void CMyListView::contextMenuEvent(QContextMenuEvent* event)
{
    m_contextMenu->popup(event->globalPos());
}

void CMyListView::ScheduleShowCurrent()
{
    if (m_showPending)
        return;
    m_showPending = true;
    QMetaObject::invokeMethod(this, &CMyListView::ShowCurrentInPane, Qt::QueuedConnection);
}

void CMyListView::ShowCurrentInPane()
{
    m_showPending = false;
    const QModelIndex current = currentIndex();
    Curl* record = current.isValid() && selectionModel()->isRowSelected(current.row(), {})
        ? m_model->RecordAt(current.row())
        : nullptr;
    if (!record || record->GetSerial() == m_shownSerial)
        return;
    m_shownSerial = record->GetSerial();
    ShowInPane(SavedCopyContent(*record));
}

void CMyListView::RefreshPaneAfterCheck(quint64 serial)
{
    // A notice (no copy yet, the last check failed) is out of date once the page has been checked; a
    // copy on show stays as the user scrolled it.
    if (serial != m_shownSerial || !m_paneShowsNotice)
        return;
    if (Curl* record = m_session.Doc().FindBySerial(serial))
        ShowInPane(SavedCopyContent(*record));
}

void CMyListView::ShowInPane(const PaneContent& content)
{
    m_paneShowsNotice = content.url.isEmpty();
    if (!content.url.isEmpty())
        emit showInPane(content.url);
    else
        emit showNoticeInPane(content.heading, content.text);
}

void CMyListView::OnDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    switch (CVigilPrefs::GetInstance().ReadInt(Pref::actionOnDoubleClick)) {
    case 0:
        OpenSelectedInBrowser();
        break;
    case 1:
        ShowProperties();
        break;
    default:
        break;
    }
}

std::vector<Curl*> CMyListView::SelectedRecords() const
{
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<Curl*> records;
    records.reserve(static_cast<size_t>(rows.size()));
    for (const QModelIndex& row : rows) {
        if (Curl* record = m_model->RecordAt(row.row()))
            records.push_back(record);
    }
    return records;
}

Curl* CMyListView::FirstSelected() const
{
    const std::vector<Curl*> records = SelectedRecords();
    return records.empty() ? nullptr : records.front();
}

void CMyListView::StoreColumnWidths()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    for (int column = 0; column < CPageListModel::ColumnCount; ++column) {
        // A hidden column reports no width: it keeps the one it had when shown.
        if (!isColumnHidden(column))
            prefs.WriteInt(kColumnWidths[column].name, columnWidth(column));
    }
}

void CMyListView::CreateHeaderMenu()
{
    // The columns beyond the usual six are offered from the header's own menu.
    QHeaderView* header = horizontalHeader();
    header->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_nextCheckColumn = new QAction(tr("Next check"), header);
    m_nextCheckColumn->setObjectName("showNextCheck");
    m_nextCheckColumn->setCheckable(true);
    header->addAction(m_nextCheckColumn);
    const bool shown = CVigilPrefs::GetInstance().ReadInt(Pref::showNextCheck) != 0;
    m_nextCheckColumn->setChecked(shown);
    setColumnHidden(CPageListModel::NextCheck, !shown);
    connect(m_nextCheckColumn, &QAction::toggled, this, [this](bool show) {
        if (show)
            setColumnWidth(CPageListModel::NextCheck, CVigilPrefs::GetInstance().ReadInt(Pref::col7));
        else
            CVigilPrefs::GetInstance().WriteInt(Pref::col7.name, columnWidth(CPageListModel::NextCheck));
        setColumnHidden(CPageListModel::NextCheck, !show);
        CVigilPrefs::GetInstance().WriteInt(Pref::showNextCheck.name, show ? 1 : 0);
    });
}

void CMyListView::SetGlobalNextCheck(int64_t seconds)
{
    m_model->SetGlobalNextCheck(seconds);
}

void CMyListView::FillList()
{
    emit changesPresent(CountChanged());
}

void CMyListView::BeginOutsideChange()
{
    m_keptSelection.clear();
    for (const Curl* record : SelectedRecords())
        m_keptSelection.push_back(record->GetSerial());
    const Curl* current = m_model->RecordAt(currentIndex().row());
    m_keptCurrent = current ? current->GetSerial() : 0;
}

void CMyListView::EndOutsideChange()
{
    // Records may have gone, and a new one may live where a removed one did.
    m_browser->ForgetAll();
    const CSiteVigilDoc& doc = m_session.Doc();
    QItemSelection selection;
    for (const uint64_t serial : m_keptSelection) {
        if (const Curl* record = doc.FindBySerial(serial)) {
            const int row = m_model->RowOf(record);
            selection.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
        }
    }
    if (const Curl* current = m_keptCurrent ? doc.FindBySerial(m_keptCurrent) : nullptr)
        selectionModel()->setCurrentIndex(m_model->index(m_model->RowOf(current), 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_keptSelection.clear();
    emit changesPresent(CountChanged());
}

int CMyListView::CountChanged() const
{
    int count = 0;
    for (const std::unique_ptr<Curl>& record : m_session.Doc().Records())
        count += record->GetChanged() ? 1 : 0;
    return count;
}

void CMyListView::SelectChanged()
{
    QItemSelection selection;
    int first = -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const Curl* record = m_model->RecordAt(row);
        if (!record || !record->GetChanged())
            continue;
        selection.select(m_model->index(row, 0), m_model->index(row, m_model->columnCount() - 1));
        if (first < 0)
            first = row;
    }
    if (first < 0)
        return;
    selectionModel()->setCurrentIndex(m_model->index(first, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    scrollTo(m_model->index(first, 0));
}

void CMyListView::CheckAll()
{
    m_run.CheckAll();
}

bool CMyListView::IsRunning() const
{
    return m_run.IsRunning();
}

void CMyListView::StopChecking()
{
    m_run.StopChecking();
}

void CMyListView::CheckSelected()
{
    if (Curl* record = FirstSelected())
        m_run.CheckSelected(record);
}
