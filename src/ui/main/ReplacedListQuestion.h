#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class CListSession;
class CMyListView;
class QMessageBox;
class QWidget;

// Asks, without blocking the window, what to do about a list file another program replaced while the
// window ran: load the file (the window's list gives way) or keep the window's list (saved over the
// file). Until the user answers, no save writes over the file; asked once per replacement.
class CReplacedListQuestion : public QObject
{
    Q_OBJECT
public:
    using StatusSink = std::function<void(const QString&)>;
    CReplacedListQuestion(QWidget* parent, CListSession& session, CMyListView& list, StatusSink status);

    // Asks when the file was replaced and no question is open yet.
    void AskIfReplaced();
    bool IsAsking() const { return !m_box.isNull(); }

private:
    void OnAnswer(int button);

    QWidget* m_parent;
    CListSession& m_session;
    CMyListView& m_list;
    StatusSink m_status;
    QPointer<QMessageBox> m_box;
};
