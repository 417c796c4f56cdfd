#include "ui/run/GuiRun.h"

#include "model/ListSession.h"
#include "ui/list/MyListView.h"
#include "ui/list/PageListModel.h"
#include "ui/widgets/MessageBox.h"

#include <QItemSelectionModel>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CGuiRun::CGuiRun(CListSession& session, CMyListView& view, CPageListModel& model)
    : m_view(view)
    , m_model(model)
    , m_run(session.Doc(), m_engine, m_dispatcher, *this)
{
    m_run.SetRenderer(&m_renderer);
}

CGuiRun::~CGuiRun() = default;

void CGuiRun::CheckAll()
{
    m_run.CheckAll();
}

bool CGuiRun::CheckSelected(Curl* record)
{
    return m_run.CheckSelected(record);
}

void CGuiRun::StopChecking()
{
    m_run.StopChecking();
}

void CGuiRun::SetStatusText(const std::string& text)
{
    emit m_view.statusText(Text(text));
}

void CGuiRun::SetTrayTip(const std::string& text)
{
    emit m_view.trayTip(Text(text));
}

void CGuiRun::ShowTimeLeft(const std::string& text)
{
    emit m_view.statusText(Text(text));
    emit m_view.trayTip(Text(text));
}

void CGuiRun::ShowBusy(bool shown)
{
    emit m_view.busyChanged(shown);
}

void CGuiRun::SetTrayBlinking(bool blinking)
{
    emit m_view.blinkingChanged(blinking);
}

void CGuiRun::SetChangesPending(bool anyChanged)
{
    // The run has just counted them.
    emit m_view.changesPresent(anyChanged ? m_run.PagesMarkedChanged() : 0);
}

void CGuiRun::SetRunButtons(bool running)
{
    if (!running)
        m_model.ClearProgress();
    emit m_view.runningChanged(running);
}

void CGuiRun::RefreshRow(Curl& record)
{
    // The row keeps its selection: the user may be looking at it while the run goes on.
    m_model.RefreshRow(record);
}

void CGuiRun::ShowRowProgress(Curl& record, const std::string& text)
{
    m_model.ShowProgress(record, Text(text));
    const int row = m_model.RowOf(&record);
    if (row < 0)
        return;
    // The row comes into view; the selection stays the user's.
    m_view.scrollTo(m_model.index(row, 0));
}

void CGuiRun::ShowWarning(const std::string& text)
{
    MessageBox::Warning(&m_view, Text(text));
}

void CGuiRun::ShowError(const std::string& text)
{
    MessageBox::Error(&m_view, Text(text));
}

void CGuiRun::ShowSummary(const std::string& text, bool boxWanted)
{
    if (boxWanted)
        MessageBox::Information(&m_view, Text(text));
}

bool CGuiRun::AskYesNo(const std::string& question)
{
    return MessageBox::AskYesNo(&m_view, Text(question));
}

void CGuiRun::ShowPopup(const std::string&, int, int, int)
{
    // The popup words and times it itself (singular, autoClosePopupNotify) from the run's counts.
    emit m_view.changesAnnounced(m_run.NewChanges(), m_run.PagesMarkedChanged());
}

void CGuiRun::PlaySound(int preference, const std::string& fileName, std::function<void()> onEnded)
{
    if (m_soundHook)
        m_soundHook(preference, Text(fileName), std::move(onEnded));
    else
        onEnded();
}
