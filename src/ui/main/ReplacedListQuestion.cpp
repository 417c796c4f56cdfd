#include "ui/main/ReplacedListQuestion.h"

#include "model/ListSession.h"
#include "ui/list/MyListView.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

CReplacedListQuestion::CReplacedListQuestion(QWidget* parent, CListSession& session, CMyListView& list,
                                             StatusSink status)
    : QObject(parent)
    , m_parent(parent)
    , m_session(session)
    , m_list(list)
    , m_status(std::move(status))
{ }

void CReplacedListQuestion::AskIfReplaced()
{
    if (IsAsking() || !m_session.Doc().DefaultFileReplaced())
        return;
    const QString path = QString::fromStdString(m_session.Doc().GetDefaultPath());
    auto* box = new QMessageBox(QMessageBox::Question, QApplication::applicationDisplayName(),
                                QStringLiteral("The list file %1 was changed by another program while Site Vigil "
                                               "was running.\n\nLoad the file: the pages it holds replace the "
                                               "list shown here.\nKeep this list: the file is saved over.")
                                    .arg(path),
                                QMessageBox::NoButton, m_parent);
    box->setTextFormat(Qt::PlainText);
    box->setObjectName(QStringLiteral("replacedListQuestion"));
    box->addButton(QStringLiteral("Load the file"), QMessageBox::AcceptRole)->setObjectName(QStringLiteral("load"));
    box->addButton(QStringLiteral("Keep this list"), QMessageBox::RejectRole)->setObjectName(QStringLiteral("keep"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::buttonClicked, this,
            [this, box](QAbstractButton* button) { OnAnswer(box->buttonRole(button)); });
    m_box = box;
    box->open();
}

void CReplacedListQuestion::OnAnswer(int role)
{
    if (role == QMessageBox::AcceptRole) {
        m_list.StopChecking();
        m_list.BeginOutsideChange();
        const Status opened = m_session.Open(true);
        m_list.EndOutsideChange();
        m_status(opened.ok() ? QStringLiteral("The list was loaded from the file")
                             : QStringLiteral("The list file could not be read whole: %1")
                                   .arg(QString::fromStdString(opened.error().message)));
        return;
    }
    m_session.Doc().TakeOverDefaultFile();
    const Status saved = m_session.Save();
    m_status(
        saved.ok()
            ? QStringLiteral("The list was saved over the file")
            : QStringLiteral("The list could not be saved: %1").arg(QString::fromStdString(saved.error().message)));
}
