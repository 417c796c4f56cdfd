#include "ui/app/GuiControl.h"

#include "cli/ControlHost.h"
#include "ui/list/MyListView.h"
#include "ui/run/GuiRun.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace {

// How soon a request that had to wait (a dialog open, a run ending) is tried again.
constexpr int kRetryMs = 250;

} // namespace

CGuiControl::CGuiControl(CListSession& session, CMyListView& list, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_host(std::make_unique<CControlHost>(session, list.GuiRun().Run(), list.GuiRun(), "desktop program"))
{
    m_host->SetListChangeHandlers([this] { m_list.BeginOutsideChange(); }, [this] { m_list.EndOutsideChange(); });

    // The queue's descriptor stays readable until the requests are run, so the notifier is off while
    // they have to wait, and a timer looks again.
    m_notifier = new QSocketNotifier(m_host->Fd(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CGuiControl::RunPendingWhenFree);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &CGuiControl::RunPendingWhenFree);

    // Queued: the run announces its end before it has saved and shown its results.
    connect(&m_list, &CMyListView::runningChanged, this, &CGuiControl::OnRunningChanged, Qt::QueuedConnection);
}

CGuiControl::~CGuiControl() = default;

bool CGuiControl::Start(const std::string& storageFolder, std::string& error)
{
    return m_host->Start(storageFolder, error);
}

void CGuiControl::RunPendingWhenFree()
{
    const bool busy
        = m_list.GuiRun().Run().IsRunning() || QApplication::activeModalWidget() || QApplication::activePopupWidget();
    if (busy) {
        m_notifier->setEnabled(false);
        m_retry->start();
        return;
    }
    m_host->RunPending();
    // A check handed over has started a run: what came meanwhile waits for its end.
    m_notifier->setEnabled(!m_list.GuiRun().Run().IsRunning());
}

void CGuiControl::OnRunningChanged(bool running)
{
    if (running || m_list.GuiRun().Run().IsRunning())
        return;
    m_host->OnRunEnd();
    RunPendingWhenFree();
}
