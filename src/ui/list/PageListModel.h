#pragma once

#include "model/SiteVigilDoc.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

// The rows of the list view: one per page of the list, in list order, read from the list by row.
// Columns: name, URL, status, change, last checked, last modified, next check (hidden unless the user
// shows it); the texts after the first carry
// three leading blanks. Rows alternate white and light blue; the change text is red while the page is
// marked changed. The rows follow the list's own notifications: whoever changes the list, the
// model hears of it.
class CPageListModel : public QAbstractTableModel, private CSiteVigilDoc::IListObserver
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

    explicit CPageListModel(CSiteVigilDoc& doc, QObject* parent = nullptr);
    ~CPageListModel() override;

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

    // Download progress ("  %d k") shown in the record's status column until its row changes.
    void ShowProgress(const Curl& record, const QString& text);
    // Drops every progress text (a stopped run leaves no report for the pages it was fetching).
    void ClearProgress();

private:
    QString CellText(const Curl& record, int column) const;

    void BeforeRecordAdded(size_t row) override;
    void RecordAdded(size_t row) override;
    void BeforeRecordRemoved(size_t row) override;
    void RecordRemoved(size_t row) override;
    void RecordChanged(size_t row) override;
    void BeforeListReplaced() override;
    void ListReplaced() override;

    CSiteVigilDoc& m_doc;
    QHash<const Curl*, QString> m_progress;
    int64_t m_globalNextCheck = 0;
};
