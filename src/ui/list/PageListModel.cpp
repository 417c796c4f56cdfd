#include "ui/list/PageListModel.h"
#include "check/PageTexts.h"

#include "model/PageSchedule.h"
#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"

#include "ui/widgets/Colours.h"
#include "ui/widgets/PlainText.h"

#include <QColor>

namespace {

const QString kBlanks = "   ";

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

bool IsFailed(const Curl& record)
{
    return record.m_nChecks != 0 && !record.GetComplete();
}

} // namespace

CPageListModel::CPageListModel(CSiteVigilDoc& doc, QObject* parent)
    : QAbstractTableModel(parent)
    , m_doc(doc)
{
    m_doc.AddObserver(this);
}

CPageListModel::~CPageListModel()
{
    m_doc.RemoveObserver(this);
}

int CPageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_doc.Count());
}

int CPageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

Curl* CPageListModel::RecordAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return &m_doc.RecordAt(static_cast<size_t>(row));
}

int CPageListModel::RowOf(const Curl* record) const
{
    const size_t row = m_doc.RowOf(record);
    return row == CSiteVigilDoc::kNoRow ? -1 : static_cast<int>(row);
}

QString CPageListModel::CellText(const Curl& record, int column) const
{
    switch (column) {
    case Name:
        return Text(record.GetName());
    case Url:
        return Text(record.GetURL());
    case Status: {
        const auto progress = m_progress.constFind(&record);
        return progress != m_progress.constEnd() ? *progress : Text(StatusText(record));
    }
    case Changed:
        return Text(ChangeText(record));
    case LastChecked:
        return Text(LastCheckedText(record));
    case LastModified:
        return Text(LastModifiedText(record));
    case NextCheck: {
        const int64_t next = record.m_every.IsGlobal() ? m_globalNextCheck : NextCheckOf(record);
        return next == 0 ? QString() : Text(FormatDateTime(next));
    }
    default:
        return {};
    }
}

QVariant CPageListModel::data(const QModelIndex& index, int role) const
{
    const Curl* record = RecordAt(index.row());
    if (!record || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        // The progress text brings its own two blanks.
        if (index.column() == Name || (index.column() == Status && m_progress.contains(record)))
            return CellText(*record, index.column());
        return kBlanks + CellText(*record, index.column());
    case Qt::ToolTipRole:
        return PlainToolTip(CellText(*record, index.column()));
    case Qt::BackgroundRole:
        return Colours::Of(index.row() % 2 == 0 ? Colours::Role::EvenRow : Colours::Role::OddRow);
    case Qt::ForegroundRole:
        if (index.column() == Changed && record->GetChanged())
            return Colours::Of(Colours::Role::Changed);
        if (index.column() == Status && IsFailed(*record) && !m_progress.contains(record))
            return Colours::Of(Colours::Role::Failed);
        return Colours::Of(Colours::Role::Text);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CPageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const headers[ColumnCount]
        = {"Name", "URL", "Status", "Changed?", "Date Last Checked", "Date Last Modified", "Next check"};
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString(headers[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void CPageListModel::SetGlobalNextCheck(int64_t seconds)
{
    if (seconds == m_globalNextCheck)
        return;
    m_globalNextCheck = seconds;
    if (rowCount() > 0)
        emit dataChanged(index(0, NextCheck), index(rowCount() - 1, NextCheck));
}

void CPageListModel::ShowProgress(const Curl& record, const QString& text)
{
    const int row = RowOf(&record);
    if (row < 0)
        return;
    m_progress.insert(&record, text);
    emit dataChanged(index(row, Status), index(row, Status));
}

void CPageListModel::ClearProgress()
{
    const QList<const Curl*> records = m_progress.keys();
    m_progress.clear();
    for (const Curl* record : records) {
        const int row = RowOf(record);
        if (row >= 0)
            emit dataChanged(index(row, Status), index(row, Status));
    }
}

void CPageListModel::BeforeRecordAdded(size_t row)
{
    beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
}

void CPageListModel::RecordAdded(size_t row)
{
    (void)row;
    endInsertRows();
}

void CPageListModel::BeforeRecordRemoved(size_t row)
{
    m_progress.remove(RecordAt(static_cast<int>(row)));
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
}

void CPageListModel::RecordRemoved(size_t row)
{
    (void)row;
    endRemoveRows();
}

void CPageListModel::RecordChanged(size_t row)
{
    const int at = static_cast<int>(row);
    // A page checked or edited shows its own texts again, not the download's progress.
    m_progress.remove(RecordAt(at));
    emit dataChanged(index(at, 0), index(at, ColumnCount - 1));
}

void CPageListModel::BeforeListReplaced()
{
    beginResetModel();
}

void CPageListModel::ListReplaced()
{
    m_progress.clear();
    endResetModel();
}
