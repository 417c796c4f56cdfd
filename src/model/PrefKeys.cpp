#include "model/PrefKeys.h"

#include <strings.h>

namespace {

constexpr PrefInfo Int(const IntPref& key)
{
    return PrefInfo{key.name, PrefType::Int, &key, nullptr};
}

constexpr PrefInfo Text(const TextPref& key)
{
    return PrefInfo{key.name, PrefType::Text, nullptr, &key};
}

// Grouped as the preferences pages group them.
const PrefInfo kAllPrefs[] = {
    Text(Pref::InstallDir),
    Int(Pref::startMinimized),
    Int(Pref::startWithWindows),
    Int(Pref::hideToTrayOnExit),
    Int(Pref::actionOnDoubleClick),
    Int(Pref::confirmDeletes),
    Int(Pref::confirmScheduleStarts),
    Int(Pref::showSummary),
    Int(Pref::confirmClearChanges),
    Int(Pref::confirmDuplicates),
    Int(Pref::warnNoData),
    Int(Pref::warnMultipleBrowserWindows),
    Int(Pref::numThreads),
    Int(Pref::threadPriority),
    Text(Pref::userAgent),
    Int(Pref::connectTimeout),
    Int(Pref::connectRetryCount),
    Int(Pref::fetchTimeLimit),
    Int(Pref::hostConcurrency),
    Int(Pref::hostDelayMs),
    Int(Pref::renderParallel),
    Int(Pref::renderMemoryMB),
    Int(Pref::popupNotify),
    Int(Pref::autoClosePopupNotify),
    Int(Pref::popupDuration),
    Int(Pref::soundPreference),
    Text(Pref::soundFilename),
    Int(Pref::sendEmail),
    Text(Pref::emailUsername),
    Text(Pref::emailAddress),
    Text(Pref::emailRecipients),
    Text(Pref::smtpServer),
    Int(Pref::smtpPort),
    Int(Pref::smtpSecurity),
    Text(Pref::smtpUser),
    Text(Pref::smtpPassword),
    Text(Pref::smtpCAFile),
    Text(Pref::notifyChannels),
    Int(Pref::deliveryWait),
    Int(Pref::flagRunCommand),
    Text(Pref::commandToRun),
    Text(Pref::ignoreTexts),
    Text(Pref::ignoreRegexes),
    Int(Pref::autoCheck),
    Int(Pref::checkFrequency),
    Int(Pref::checkUnits),
    Int(Pref::checkJitter),
    Int(Pref::proxyType),
    Text(Pref::proxyServer),
    Int(Pref::proxyPort),
    Int(Pref::proxyAuth),
    Text(Pref::proxyUser),
    Text(Pref::proxyPassword),
    Int(Pref::historyVersions),
    Int(Pref::historyBudgetMB),
    Int(Pref::col1),
    Int(Pref::col2),
    Int(Pref::col3),
    Int(Pref::col4),
    Int(Pref::col5),
    Int(Pref::col6),
    Int(Pref::col7),
    Int(Pref::showNextCheck),
    Text(Pref::windowGeometry),
    Text(Pref::windowSplitter),
    Int(Pref::totalUrlsChecked),
    Int(Pref::urlID),
};

} // namespace

const PrefInfo* FindPref(const char* name)
{
    if (!name)
        return nullptr;
    for (const PrefInfo& info : kAllPrefs) {
        if (::strcasecmp(info.name, name) == 0)
            return &info;
    }
    return nullptr;
}

std::span<const PrefInfo> AllPrefs()
{
    return kAllPrefs;
}

std::string AllowedPrefValues(const IntPref& key)
{
    std::string text = std::to_string(key.min) + " to " + std::to_string(key.max);
    if (key.choices)
        text += std::string(" (") + key.choices + ")";
    return text;
}
