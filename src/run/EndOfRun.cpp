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

void UpdateLog(const CSiteVigilDoc::RecordList& records, ICheckRunFrontEnd& frontEnd)
{
    CUpdateLog log(CVigilPrefs::GetInstance().GetStorageFolder());
    UpdateLogResult result = log.AppendChanges(records);
    if (!result.message.empty())
        frontEnd.ShowWarning(result.message);
    else if (!result.ok)
        frontEnd.ShowWarning("The update log could not be saved.");
}
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

void NotifyEndOfRun(const RunTotals& totals, const CSiteVigilDoc::RecordList& records, ICheckRunFrontEnd& frontEnd)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();

    frontEnd.ShowSummary(FormatRunSummary(totals), prefs.ReadInt(Pref::showSummary) != 0);

    if (totals.markedChanged > 0)
        UpdateLog(records, frontEnd);

    if (totals.newChanges <= 0)
        return;

    if (prefs.ReadInt(Pref::popupNotify) != 0 && totals.markedChanged > 0) {
        // Seconds from the settings; a wild value must not overflow the milliseconds.
        long long stayMs = std::clamp(static_cast<long long>(prefs.ReadInt(Pref::popupDuration)) * 1000, 0LL,
                                      static_cast<long long>(std::numeric_limits<int>::max()));
        frontEnd.ShowPopup(FormatPopupText(totals), kPopupAppearMs, static_cast<int>(stayMs), kPopupVanishMs);
    }

    int sound = prefs.ReadInt(Pref::soundPreference);
    if (sound == 1 || sound == 2)
        frontEnd.PlaySound(sound, prefs.ReadString(Pref::soundFilename));

    if (prefs.ReadInt(Pref::sendEmail) != 0) {
        std::string problem = SendChangeEmail(records);
        if (!problem.empty())
            frontEnd.ShowError(problem);
    }

    if (prefs.ReadInt(Pref::flagRunCommand) != 0) {
        // A command that cannot be started shows nothing.
        std::string command = prefs.ReadString(Pref::commandToRun);
        if (!command.empty() && !StartDetachedCommand(command))
            DebugReport("The command to run after a check could not be started", command);
    }
}
