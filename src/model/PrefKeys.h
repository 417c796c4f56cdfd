#pragma once

#include <climits>
#include <span>
#include <string>

// Every setting with its one default, in one place so that no caller invents one: the preferences
// pages and every other reader get the same value while a setting is absent. Because every read
// stores what it returns, a second default would be fixed by whoever happened to read first.
// A number setting also carries the values its page allows (min to max, and what the numbers mean
// when they are choices): other values are refused when set and read as the nearest allowed one.

enum class PrefType
{
    Int, // stored as a 4-byte double word
    Text, // stored with its terminating zero
};

struct IntPref
{
    const char* name;
    // The one default: what every reader and the preferences page get while the value is absent.
    int def;
    int min = INT_MIN;
    int max = INT_MAX;
    // The meaning of each value, for the message that refuses a value; null for plain numbers.
    const char* choices = nullptr;
    // The reader gives every other stored value a meaning of its own (the proxy type: none), so it
    // gets the value as stored instead of the nearest allowed one.
    bool readAsStored = false;
};

// The nearest allowed value.
constexpr int ClampPref(const IntPref& key, int value)
{
    return value < key.min ? key.min : (value > key.max ? key.max : value);
}
// A stored value as a reader gets it.
constexpr int ReaderValue(const IntPref& key, int value)
{
    return key.readAsStored ? value : ClampPref(key, value);
}
// The allowed values in words, e.g. "0 to 3 (0 seconds, 1 minutes, 2 hours, 3 days)".
std::string AllowedPrefValues(const IntPref& key);

struct TextPref
{
    const char* name;
    const char* def;
};

namespace Pref {
inline constexpr const char* kOffOn = "0 off, 1 on";
// General
// An empty InstallDir means the platform's data folder, computed at run time (the page shows it).
inline constexpr TextPref InstallDir{"InstallDir", ""};
inline constexpr IntPref startMinimized{"startMinimized", 0, 0, 1, kOffOn};
inline constexpr IntPref startWithWindows{"startWithWindows", 0, 0, 1, kOffOn};
inline constexpr IntPref hideToTrayOnExit{"hideToTrayOnExit", 1, 0, 1, kOffOn};
inline constexpr IntPref actionOnDoubleClick{"actionOnDoubleClick", 0, 0, 1,
                                             "0 open in the browser, 1 show the properties"};
// Confirmations
inline constexpr IntPref confirmDeletes{"confirmDeletes", 0, 0, 1, kOffOn};
inline constexpr IntPref confirmScheduleStarts{"confirmScheduleStarts", 0, 0, 1, kOffOn};
inline constexpr IntPref showSummary{"showSummary", 0, 0, 1, kOffOn};
inline constexpr IntPref confirmClearChanges{"confirmClearChanges", 0, 0, 1, kOffOn};
inline constexpr IntPref confirmDuplicates{"confirmDuplicates", 0, 0, 1, kOffOn};
inline constexpr IntPref warnNoData{"warnNoData", 0, 0, 1, kOffOn};
inline constexpr IntPref warnMultipleBrowserWindows{"warnMultipleBrowserWindows", 1, 0, 1, kOffOn};
// Connection
inline constexpr IntPref numThreads{"numThreads", 1, 0, 19, "the number of threads minus one"};
inline constexpr IntPref threadPriority{"threadPriority", 0, 0, 2, "0 lowest, 1 low, 2 normal"};
inline constexpr TextPref userAgent{"userAgent", "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)"};
inline constexpr IntPref connectTimeout{"connectTimeout", 10, 1, 60, "seconds"};
inline constexpr IntPref connectRetryCount{"connectRetryCount", 1, 1, 5};
// Seconds one fetch may take in all, however its server trickles.
inline constexpr IntPref fetchTimeLimit{"fetchTimeLimit", 300, 1, 86400, "seconds"};
// Politeness to each server: requests to one host at a time, and the pause between two of them.
inline constexpr IntPref hostConcurrency{"hostConcurrency", 2, 1, 20, "requests at a time to one host"};
inline constexpr IntPref hostDelayMs{"hostDelayMs", 0, 0, 60000, "milliseconds between two requests to one host"};
// Pages checked through the browser engine at the same time, and the memory its helper program may
// grow to before it is started afresh between pages.
inline constexpr IntPref renderParallel{"renderParallel", 2, 1, 8, "pages"};
inline constexpr IntPref renderMemoryMB{"renderMemoryMB", 1024, 128, 65536, "megabytes"};
// Notifications
inline constexpr IntPref popupNotify{"popupNotify", 1, 0, 1, kOffOn};
inline constexpr IntPref autoClosePopupNotify{"autoClosePopupNotify", 1, 0, 1, kOffOn};
inline constexpr IntPref popupDuration{"popupDuration", 10, 0, 3600, "seconds"};
inline constexpr IntPref soundPreference{"soundPreference", 0, 0, 2, "0 silent, 1 default sound, 2 custom sound"};
inline constexpr TextPref soundFilename{"soundFilename", ""};
inline constexpr IntPref sendEmail{"sendEmail", 0, 0, 1, kOffOn};
inline constexpr TextPref emailUsername{"emailUsername", ""};
inline constexpr TextPref emailAddress{"emailAddress", ""};
inline constexpr TextPref emailRecipients{"emailRecipients", ""};
inline constexpr TextPref smtpServer{"smtpServer", ""};
inline constexpr IntPref smtpPort{"smtpPort", 25, 0, 65535};
inline constexpr IntPref smtpSecurity{"smtpSecurity", 0, 0, 2,
                                      "0 none, 1 STARTTLS (required), 2 TLS from the first byte"};
inline constexpr TextPref smtpUser{"smtpUser", ""};
inline constexpr TextPref smtpPassword{"smtpPassword", ""};
inline constexpr TextPref smtpCAFile{"smtpCAFile", ""};
// Channels: the configured addresses as a JSON array (the Channels page and `channels` edit it).
inline constexpr TextPref notifyChannels{"notifyChannels", "[]"};
// Seconds a one-shot check waits for its deliveries before it leaves them to the outbox.
inline constexpr IntPref deliveryWait{"deliveryWait", 30, 0, 3600, "seconds"};
// Run command (the Notifications page)
inline constexpr IntPref flagRunCommand{"flagRunCommand", 0, 0, 1, kOffOn};
inline constexpr TextPref commandToRun{"commandToRun", ""};
// Ignore rules for every page compared by its text, one per line: lines of a page's text that
// contain one of the texts, or match one of the expressions (ECMAScript syntax), are not compared.
inline constexpr TextPref ignoreTexts{"ignoreTexts", ""};
inline constexpr TextPref ignoreRegexes{"ignoreRegexes", ""};
// Schedule
inline constexpr IntPref autoCheck{"autoCheck", 0, 0, 1, kOffOn};
inline constexpr IntPref checkFrequency{"checkFrequency", 24, 1, 9999, "in the units of checkUnits"};
inline constexpr IntPref checkUnits{"checkUnits", 2, 0, 3, "0 seconds, 1 minutes, 2 hours, 3 days"};
// Pages with an interval of their own are checked up to this share of it earlier or later.
inline constexpr IntPref checkJitter{"checkJitter", 10, 0, 50, "percent of a page's interval"};
// Proxy
inline constexpr IntPref proxyType{"proxyType", 0, 0, 2, "0 detect, 1 none, 2 custom", true};
inline constexpr TextPref proxyServer{"proxyServer", ""};
inline constexpr IntPref proxyPort{"proxyPort", 8080, 0, 65535};
inline constexpr IntPref proxyAuth{"proxyAuth", 0, 0, 1, kOffOn};
// The engine passes "user" when it is constructed and "" when a download needs proxy credentials.
inline constexpr TextPref proxyUser{"proxyUser", ""};
inline constexpr const char* proxyUserAtConstruction = "user";
inline constexpr TextPref proxyPassword{"proxyPassword", ""};
// History of versions beyond the two copies
inline constexpr IntPref historyVersions{"historyVersions", 10, 0, 1000, "versions kept per page"};
inline constexpr IntPref historyBudgetMB{"historyBudgetMB", 500, 1, 1000000, "megabytes for all pages together"};
// Written by other parts of the program (no page)
inline constexpr IntPref col1{"col1", 150};
inline constexpr IntPref col2{"col2", 150};
inline constexpr IntPref col3{"col3", 150};
inline constexpr IntPref col4{"col4", 150};
inline constexpr IntPref col5{"col5", 150};
inline constexpr IntPref col6{"col6", 150};
inline constexpr IntPref col7{"col7", 150};
// The list's "Next check" column, hidden until the user shows it from the header's menu.
inline constexpr IntPref showNextCheck{"showNextCheck", 0, 0, 1, kOffOn};
// The main window's size and place and how it splits the list and the page view, as the window system
// reported them (Base64); empty: the first start's layout.
inline constexpr TextPref windowGeometry{"windowGeometry", ""};
inline constexpr TextPref windowSplitter{"windowSplitter", ""};
inline constexpr IntPref totalUrlsChecked{"totalUrlsChecked", 0};
inline constexpr IntPref urlID{"urlID", 0};
} // namespace Pref

// The whole table, for listing and for typing values given on the command line.
struct PrefInfo
{
    const char* name;
    PrefType type;
    // The entry of the key, of the kind its type says (the other is null).
    const IntPref* intPref = nullptr;
    const TextPref* textPref = nullptr;
};
// Looks a key up by name, ignoring letter case as the settings store does; null when unknown.
const PrefInfo* FindPref(const char* name);
std::span<const PrefInfo> AllPrefs();
