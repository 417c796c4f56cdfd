#include "run/EndOfRun.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/ChangeEmail.h"
#include "notify/UpdateLog.h"
#include "platform/DebugLog.h"
#include "run/CheckRunFrontEnd.h"
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

CEndOfRun::CEndOfRun(const RunTotals& totals, ICheckRunFrontEnd& frontEnd, IFrontEndDispatcher& dispatcher,
                     Finished onFinished)
    : m_totals(totals)
    , m_frontEnd(frontEnd)
    , m_onFinished(std::move(onFinished))
    , m_emailJob(dispatcher)
{ }

std::shared_ptr<CEndOfRun> CEndOfRun::Start(const RunTotals& totals, const CSiteVigilDoc& doc,
                                            const std::vector<uint64_t>& runPages, ICheckRunFrontEnd& frontEnd,
                                            IFrontEndDispatcher& dispatcher, Finished onFinished)
{
    auto steps = std::make_shared<CEndOfRun>(totals, frontEnd, dispatcher, std::move(onFinished));
    steps->Run(doc, runPages);
    return steps;
}

void CEndOfRun::Fail(const std::string& message)
{
    m_outcome.failures.push_back(message);
}

void CEndOfRun::Run(const CSiteVigilDoc& doc, const std::vector<uint64_t>& runPages)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();

    m_frontEnd.ShowSummary(FormatRunSummary(m_totals), prefs.ReadInt(Pref::showSummary) != 0);

    if (m_totals.markedChanged > 0) {
        CUpdateLog log(prefs.GetStorageFolder());
        // A page keeps its new-change flag until it is checked again: pages outside this run still
        // carry the flag of the run that logged them.
        std::vector<const Curl*> checked;
        checked.reserve(runPages.size());
        for (uint64_t serial : runPages) {
            if (const Curl* record = doc.FindBySerial(serial))
                checked.push_back(record);
        }
        const UpdateLogResult result = log.AppendChanges(checked);
        const std::string message = !result.message.empty() ? result.message
            : result.ok                                     ? ""
                                                            : "The update log could not be saved.";
        if (!message.empty())
            m_frontEnd.ShowWarning(message);
        if (!result.ok)
            Fail(message);
    }

    if (m_totals.newChanges <= 0) {
        RunCommand();
        return;
    }

    if (prefs.ReadInt(Pref::popupNotify) != 0 && m_totals.markedChanged > 0) {
        // Seconds from the settings; a wild value must not overflow the milliseconds.
        long long stayMs = std::clamp(static_cast<long long>(prefs.ReadInt(Pref::popupDuration)) * 1000, 0LL,
                                      static_cast<long long>(std::numeric_limits<int>::max()));
        m_frontEnd.ShowPopup(FormatPopupText(m_totals), kPopupAppearMs, static_cast<int>(stayMs), kPopupVanishMs);
    }

    // The e-mail lists the pages as they are now, not as later edits leave them.
    m_sendEmail = prefs.ReadInt(Pref::sendEmail) != 0;
    if (m_sendEmail) {
        for (const auto& record : doc.Records()) {
            if (record->m_bChanged)
                m_changed.push_back(std::make_unique<Curl>(*record));
        }
    }

    const int sound = prefs.ReadInt(Pref::soundPreference);
    if (sound == 1 || sound == 2) {
        // The front end may call back at once or much later; either way the steps go on from there.
        std::weak_ptr<CEndOfRun> self = weak_from_this();
        m_frontEnd.PlaySound(sound, prefs.ReadString(Pref::soundFilename), [self] {
            if (auto steps = self.lock())
                steps->SendEmail();
        });
        return;
    }
    SendEmail();
}

void CEndOfRun::SendEmail()
{
    // Decided once with the pages it lists: a setting changed meanwhile cannot send an empty list.
    if (!m_sendEmail) {
        RunCommand();
        return;
    }
    std::weak_ptr<CEndOfRun> self = weak_from_this();
    auto changed = std::make_shared<CSiteVigilDoc::RecordList>(std::move(m_changed));
    const bool started = m_emailJob.Start<std::string>([changed] { return SendChangeEmail(*changed); },
                                                       [self](std::string problem) {
                                                           auto steps = self.lock();
                                                           if (!steps)
                                                               return;
                                                           if (!problem.empty()) {
                                                               steps->m_frontEnd.ShowError(problem);
                                                               steps->Fail(problem);
                                                           }
                                                           steps->RunCommand();
                                                       });
    if (!started) {
        const std::string problem = "Email not sent - the program could not start a thread for it";
        m_frontEnd.ShowError(problem);
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
