#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

class CSiteVigilDoc;
class Curl;

// The rows of the list view: one per page of the list, in list order, read from the list by row.
// Columns: name, URL, status, change, last checked, last modified, next check (hidden unless the user
// shows it); the texts after the first carry
// three leading blanks. Rows alternate white and light blue; the change text is red while the page is
// marked changed.
class CPageListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        Name,
        Url,
        Status,
        Changed,
        LastChecked,
        LastModified,
        NextCheck,
        ColumnCount
    };

    explicit CPageListModel(const CSiteVigilDoc& doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    Curl* RecordAt(int row) const;
    // The record's row, or -1 when it is not in the list.
    int RowOf(const Curl* record) const;

    // The time of the next run of the global schedule, shown for the pages on it; 0 when none is due
    // (scheduled checks are off).
    void SetGlobalNextCheck(int64_t seconds);

    // The record's texts have changed; a progress text shown for it is dropped.
    void RefreshRow(const Curl& record);
    // Every record's texts may have changed (the rows stay).
    void RefreshAll();
    // Download progress ("  %d k") shown in the record's status column until its row is refreshed.
    void ShowProgress(const Curl& record, const QString& text);
    // Drops every progress text (a stopped run leaves no report for the pages it was fetching).
    void ClearProgress();

    // Wrap a change of the list: pages appended at its end (count known beforehand), a page removed,
    // any other change (rebuilds every row).
    void BeginAppend(int count);
    void EndAppend();
    void BeginRemove(int row);
    void EndRemove();
    void BeginReset();
    void EndReset();

private:
    QString CellText(const Curl& record, int column) const;

    const CSiteVigilDoc& m_doc;
    QHash<const Curl*, QString> m_progress;
    int64_t m_globalNextCheck = 0;
};
