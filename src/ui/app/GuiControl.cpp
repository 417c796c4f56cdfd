#include "ui/app/GuiControl.h"

#include "render/QtDispatcher.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

CGuiControl::CGuiControl(CListSession& session, CMyListView& list, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_dispatcher(std::make_unique<CQtDispatcher>())
    , m_service(std::make_unique<CControlService>(session, list.GuiRun().Run(), *m_dispatcher,
                                                  static_cast<IControlFrontEnd&>(*this), "desktop program"))
{
    // Queued: the run announces its end before it has saved and shown its results.
    connect(&m_list.GuiRun(), &CGuiRun::runningChanged, this, &CGuiControl::OnRunningChanged, Qt::QueuedConnection);
    // Requests that came during the run wait for its closing steps too (the notifications are queued
    // off this thread); they go once those are done.
    connect(&m_list.GuiRun(), &CGuiRun::runClosed, this, &CGuiControl::RunWaitingSoon);
    // A modal dialog that closes unblocks the other windows; a popup (a menu) that closes hides.
    qApp->installEventFilter(this);
}

CGuiControl::~CGuiControl()
{
    qApp->removeEventFilter(this);
    m_service.reset();
}

Status CGuiControl::Start(const std::string& storageFolder)
{
    return m_service->Start(storageFolder);
}

bool CGuiControl::eventFilter(QObject* watched, QEvent* event)
{
    if (m_service->WaitingCount() > 0) {
        const QEvent::Type type = event->type();
        if (type == QEvent::WindowUnblocked) {
            RunWaitingSoon();
        } else if (type == QEvent::Hide && watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && (widget->isModal() || widget->windowType() == Qt::Popup))
                RunWaitingSoon();
        }
    }
    return QObject::eventFilter(watched, event);
}

void CGuiControl::RunWaitingSoon()
{
    QTimer::singleShot(0, this, [this] { m_service->RunWaiting(); });
}

bool CGuiControl::IsBusy() const
{
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

bool CGuiControl::ShowWindow()
{
    emit activationRequested();
    return true;
}

void CGuiControl::BeforeListChange()
{
    m_list.BeginOutsideChange();
}

void CGuiControl::AfterListChange()
{
    m_list.EndOutsideChange();
}

void CGuiControl::Report(const std::string& text)
{
    emit reported(QString::fromStdString(text));
}

void CGuiControl::OnRunningChanged(bool running)
{
    if (running || m_list.GuiRun().Run().IsRunning())
        return;
    m_service->OnRunEnd();
    m_service->RunWaiting();
}
