#include "ui/run/GuiRun.h"

#include "model/ListSession.h"
#include "model/UrlRecord.h"
#include "platform/Clock.h"
#include "ui/widgets/MessageBox.h"

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

const QString kChecking = QStringLiteral("Currently checking for changes...");

} // namespace

CGuiRun::CGuiRun(CListSession& session, QObject* parent)
    : QObject(parent)
    , m_core(session.Doc(), m_dispatcher, *this)
{
    m_core.Run().SetRenderer(&m_renderer);
}

CGuiRun::~CGuiRun() = default;

void CGuiRun::CheckAll()
{
    m_core.Run().CheckAll();
}

bool CGuiRun::CheckSelected(Curl* record)
{
    return m_core.Run().CheckSelected(record);
}

void CGuiRun::StopChecking()
{
    m_core.Run().StopChecking();
}

QString CGuiRun::ProgressText(int checked, int total)
{
    return QStringLiteral("Checking %1 of %2...").arg(checked).arg(total);
}

void CGuiRun::OnRunStarted(const RunStartedEvent& event)
{
    emit runStarted(event.pages, event.wholeList);
    emit runningChanged(true);
    emit busyChanged(true);
    if (event.wholeList)
        emit blinkingChanged(true);
    // A scheduled run keeps "Scheduled check started..." until its first page reports.
    if (!event.scheduled)
        emit statusText(ProgressText(1, event.pages));
    emit trayTip(kChecking);
}

void CGuiRun::OnPageStarted(const Curl& record)
{
    (void)record;
}

void CGuiRun::OnPageProgress(const Curl& record, int kilobytes)
{
    emit pageProgress(record.GetSerial(), kilobytes);
}

void CGuiRun::OnPageChecked(const PageCheckedEvent& event)
{
    emit pageChecked(event.record.GetSerial(), event.checked, event.total);
    // The page in work is the next one; the last report is followed by the run's end.
    if (event.checked < event.total)
        emit statusText(ProgressText(event.checked + 1, event.total));
}

void CGuiRun::OnRunEnded(const RunEndedEvent& event)
{
    emit runningChanged(false);
    emit busyChanged(false);
    emit blinkingChanged(false);
    if (event.stopped) {
        emit statusText(QStringLiteral("Checking stopped"));
        return;
    }
    emit statusText(QStringLiteral("Completed checks"));
    emit changesPresent(event.totals.markedChanged);
}

void CGuiRun::OnRunClosed(const RunClosedEvent& event)
{
    (void)event;
    emit runClosed();
}

void CGuiRun::OnNextCheck(const NextCheckEvent& event)
{
    emit nextGlobalCheck(Clock::Now() + event.secondsLeft);
    emit statusText(Text(event.text));
    emit trayTip(Text(event.text));
}

void CGuiRun::OnScheduledRunDue()
{
    emit statusText(QStringLiteral("Scheduled check started..."));
}

void CGuiRun::OnProblem(ProblemSeverity severity, const std::string& text)
{
    MessageBox::Open(m_dialogParent, severity == ProblemSeverity::Error ? QMessageBox::Critical : QMessageBox::Warning,
                     Text(text));
}

void CGuiRun::OnNotice(const std::string& text)
{
    emit statusText(Text(text));
}

void CGuiRun::Ask(const std::string& question, std::function<void(bool)> answered)
{
    MessageBox::Open(
        m_dialogParent, QMessageBox::Question, Text(question), QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
        [answered = std::move(answered)](QMessageBox::StandardButton button) { answered(button == QMessageBox::Yes); });
}

void CGuiRun::ShowSummary(const std::string& text, bool boxWanted, std::function<void()> done)
{
    if (!boxWanted) {
        done();
        return;
    }
    MessageBox::Open(m_dialogParent, QMessageBox::Information, Text(text), QMessageBox::Ok, QMessageBox::NoButton,
                     [done = std::move(done)](QMessageBox::StandardButton) { done(); });
}

void CGuiRun::Announce(const ChangeAnnouncement& announcement)
{
    // The popup words and times itself (singular, autoClosePopupNotify) from the run's counts.
    emit changesAnnounced(announcement.newChanges, announcement.markedChanged);
}

void CGuiRun::PlaySound(int preference, const std::string& fileName, std::function<void()> done)
{
    if (m_soundHook)
        m_soundHook(preference, Text(fileName), std::move(done));
    else
        done();
}
