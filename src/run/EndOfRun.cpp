#include "run/EndOfRun.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/OutboxDelivery.h"
#include "notify/UpdateLog.h"
#include "platform/DebugLog.h"
#include "run/DetachedCommand.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {
constexpr int kPopupAppearMs = 800;
constexpr int kPopupVanishMs = 500;
} // namespace

std::string FormatRunSummary(const RunTotals& totals)
{
    char text[160];
    std::snprintf(text, sizeof text, "Completed checking %d URLs.\n%d new changes.\n%d changes total.\n",
                  totals.records, totals.newChanges, totals.markedChanged);
    return text;
}

std::string FormatPopupText(const RunTotals& totals)
{
    char text[96];
    std::snprintf(text, sizeof text, "%d new changes.\n%d changes total.", totals.newChanges, totals.markedChanged);
    return text;
}

CEndOfRun::CEndOfRun(const RunTotals& totals, IRunEvents& events, IFrontEndDispatcher& dispatcher, Finished onFinished)
    : m_totals(totals)
    , m_events(events)
    , m_onFinished(std::move(onFinished))
    , m_queueJob(dispatcher)
    , m_deliveryJob(dispatcher)
{ }

std::shared_ptr<CEndOfRun> CEndOfRun::Start(const RunTotals& totals, const CSiteVigilDoc& doc,
                                            const std::vector<uint64_t>& runPages, IRunEvents& events,
                                            IFrontEndDispatcher& dispatcher, Finished onFinished)
{
    auto steps = std::make_shared<CEndOfRun>(totals, events, dispatcher, std::move(onFinished));
    steps->Run(doc, runPages);
    return steps;
}

void CEndOfRun::Fail(const std::string& message)
{
    m_outcome.failures.push_back(message);
}

bool CEndOfRun::WaitForBackgroundWork(std::chrono::steady_clock::time_point deadline) const
{
    const bool queued = m_queueJob.WaitForWork(deadline);
    return m_deliveryJob.WaitForWork(deadline) && queued;
}

void CEndOfRun::Run(const CSiteVigilDoc& doc, const std::vector<uint64_t>& runPages)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();

    // Everything the later steps list is taken now: the list may change while the summary is up.
    // A page keeps its new-change flag until it is checked again: pages outside this run still carry
    // the flag of the run that logged them, so only the run's own pages go into the log.
    if (m_totals.markedChanged > 0) {
        for (uint64_t serial : runPages) {
            if (const Curl* record = doc.FindBySerial(serial); record && record->GetNewChange())
                m_logged.push_back(record->MakeWorkCopy());
        }
    }
    // The notifications are written to the outbox at once, from copies of the pages as they are now;
    // reading their differences may take a while, so that happens off this thread.
    auto input = std::make_shared<RunNotificationInput>(CollectRunNotifications(doc.Records(), m_totals.newChanges));
    std::weak_ptr<CEndOfRun> queuing = weak_from_this();
    const bool queueStarted = m_queueJob.Start<QueuedNotifications>([input] { return QueueRunNotifications(*input); },
                                                                    [queuing](QueuedNotifications queued) {
                                                                        if (auto steps = queuing.lock())
                                                                            steps->OnQueued(std::move(queued));
                                                                    });
    if (!queueStarted) {
        QueuedNotifications queued = QueueRunNotifications(*input);
        OnQueued(std::move(queued));
    }

    std::weak_ptr<CEndOfRun> self = weak_from_this();
    m_events.ShowSummary(FormatRunSummary(m_totals), prefs.ReadInt(Pref::showSummary) != 0, [self] {
        if (auto steps = self.lock())
            steps->AfterSummary();
    });
}

void CEndOfRun::LogIfStillPending()
{
    if (!m_logDone)
        WriteUpdateLog(false);
}

void CEndOfRun::WriteUpdateLog(bool tellFrontEnd)
{
    m_logDone = true;
    if (m_totals.markedChanged > 0) {
        CUpdateLog log(CVigilPrefs::GetInstance().GetStorageFolder());
        std::vector<const Curl*> checked;
        checked.reserve(m_logged.size());
        for (const auto& record : m_logged)
            checked.push_back(record.get());
        const UpdateLogResult result = log.AppendChanges(checked);
        m_logged.clear();
        const std::string message = result ? result.value() : result.error().message;
        if (message.empty())
            return;
        // A front end that is going away hears nothing more; standard error still tells it.
        if (tellFrontEnd)
            m_events.OnProblem(ProblemSeverity::Warning, message);
        else
            DiagnosticOutput(message + "\n");
        if (!result)
            Fail(message);
    }
}

void CEndOfRun::AfterSummary()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    WriteUpdateLog(true);

    if (m_totals.newChanges <= 0) {
        DeliverNotifications();
        return;
    }

    if (prefs.ReadInt(Pref::popupNotify) != 0 && m_totals.markedChanged > 0) {
        // Seconds from the settings; a wild value must not overflow the milliseconds.
        long long stayMs = std::clamp(static_cast<long long>(prefs.ReadInt(Pref::popupDuration)) * 1000, 0LL,
                                      static_cast<long long>(std::numeric_limits<int>::max()));
        m_events.Announce({FormatPopupText(m_totals), m_totals.newChanges, m_totals.markedChanged, kPopupAppearMs,
                           static_cast<int>(stayMs), kPopupVanishMs});
    }

    const int sound = prefs.ReadInt(Pref::soundPreference);
    if (sound == 1 || sound == 2) {
        // The front end may call back at once or much later; either way the steps go on from there.
        std::weak_ptr<CEndOfRun> self = weak_from_this();
        m_events.PlaySound(sound, prefs.ReadString(Pref::soundFilename), [self] {
            if (auto steps = self.lock())
                steps->DeliverNotifications();
        });
        return;
    }
    DeliverNotifications();
}

void CEndOfRun::OnQueued(QueuedNotifications queued)
{
    for (const std::string& problem : queued.problems) {
        m_events.OnProblem(ProblemSeverity::Warning, problem);
        Fail(problem);
    }
    m_notifications = std::move(queued);
    m_queued = true;
    if (m_deliveryWanted)
        DeliverNotifications();
}

void CEndOfRun::DeliverNotifications()
{
    // The delivery step goes on once the notifications are in the outbox.
    if (!m_queued) {
        m_deliveryWanted = true;
        return;
    }
    m_deliveryWanted = false;
    if (m_notifications.rows.empty()) {
        RunCommand();
        return;
    }
    const int wait = CVigilPrefs::GetInstance().ReadInt(Pref::deliveryWait);
    std::weak_ptr<CEndOfRun> self = weak_from_this();
    auto queued = std::make_shared<QueuedNotifications>(std::move(m_notifications));
    const bool started = m_deliveryJob.Start<std::vector<DeliveryOutcome>>(
        [queued, wait] { return DeliverOutbox(queued->storageFolder, &queued->rows, wait); },
        [self, queued](std::vector<DeliveryOutcome> outcomes) {
            auto steps = self.lock();
            if (!steps)
                return;
            size_t settled = 0;
            for (const DeliveryOutcome& outcome : outcomes) {
                if (outcome.state == DeliveryOutcome::State::Pending)
                    continue;
                ++settled;
                if (outcome.state == DeliveryOutcome::State::Failed) {
                    const std::string problem = DeliveryFailureText(outcome);
                    steps->m_events.OnProblem(ProblemSeverity::Error, problem);
                    steps->Fail(problem);
                }
            }
            // Not an error: the outbox delivers them later. The front end's status line says so.
            if (settled < queued->rows.size()) {
                const size_t pending = queued->rows.size() - settled;
                steps->m_events.OnNotice(std::to_string(pending)
                                         + (pending == 1 ? " notification is" : " notifications are")
                                         + " still pending in the outbox; they are delivered later");
            }
            steps->RunCommand();
        });
    if (!started) {
        const std::string problem = "Notifications not sent now - the program could not start a thread for them";
        m_events.OnProblem(ProblemSeverity::Error, problem);
        Fail(problem);
        RunCommand();
    }
}

void CEndOfRun::RunCommand()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    if (m_totals.newChanges > 0 && prefs.ReadInt(Pref::flagRunCommand) != 0) {
        // A command that cannot be started shows nothing.
        std::string command = prefs.ReadString(Pref::commandToRun);
        if (!command.empty() && !StartDetachedCommand(command))
            DebugReport("The command to run after a check could not be started", command);
    }
    m_finished = true;
    if (m_onFinished)
        m_onFinished(m_outcome);
}
