#pragma once

#include "model/PrefKeys.h"
#include "platform/Error.h"

#include <memory>
#include <mutex>
#include <string>

class CSettingsDb;

// Values of the preferences pages, one struct per group; the pages bind their controls to them.
struct GeneralPrefs
{
    int actionOnDoubleClick = 0;
    std::string installDir;
    int startMinimized = 0;
    int startWithWindows = 0;
    int hideToTrayOnExit = 0;
    int historyVersions = Pref::historyVersions.def;
    int historyBudgetMB = Pref::historyBudgetMB.def;
    // Ignore rules of every page compared by its text, one per line.
    std::string ignoreTexts;
    std::string ignoreRegexes;
};

struct ConfirmationPrefs
{
    int confirmClearChanges = 1;
    int confirmDeletes = 1;
    int confirmDuplicates = 1;
    int confirmScheduleStarts = 1;
    int showSummary = 1;
    int warnNoData = 1;
    int warnMultipleBrowserWindows = 1;
};

struct ConnectionPrefs
{
    int numThreads = 1;
    int threadPriority = 0;
    std::string userAgent;
    int connectTimeout = 1;
    int connectRetryCount = 1;
    int hostConcurrency = 2;
    int hostDelayMs = 0;
    int renderParallel = 2;
    int renderMemoryMB = 1024;
};

struct PopupPrefs
{
    int autoClosePopupNotify = 1;
    int popupNotify = 1;
    int popupDuration = 10;
};

struct SoundPrefs
{
    int soundPreference = 1;
    std::string soundFilename;
};

struct EmailPrefs
{
    std::string emailAddress;
    std::string emailRecipients;
    std::string emailUsername;
    int sendEmail = 0;
    int smtpPort = 25;
    std::string smtpServer;
    int smtpSecurity = 0; // 0 none, 1 STARTTLS required, 2 TLS from the first byte
    std::string smtpUser;
    std::string smtpPassword;
    std::string smtpCAFile; // empty: the system's certificate authorities
};

// The command run at the end of a run that found changes.
struct RunCommandPrefs
{
    int flagRunCommand = 0;
    std::string commandToRun;
};

struct SchedulePrefs
{
    int checkUnits = 2;
    int autoCheck = 0;
    int checkFrequency = 24;
    int checkJitter = 10;
};

struct ProxyPrefs
{
    int proxyType = 0;
    int proxyAuth = 0;
    std::string proxyUser;
    std::string proxyPassword;
    int proxyPort = 0;
    std::string proxyServer;
};

// The one process-wide settings store. Every read stores the value it returns, so the first read of
// an absent value fixes it. Safe to use from any thread and beside a second process; a database that
// cannot be opened never stops the program: reads give their defaults and writes fail.
class CVigilPrefs
{
public:
    static CVigilPrefs& GetInstance();
    // Drops the instance; the next GetInstance opens the settings again from the current environment.
    static void ResetInstance();

    // The settings folder: $SITEVIGIL_CONFIG_DIR, else $XDG_CONFIG_HOME/site-vigil/, else ~/.config/site-vigil/.
    static std::string ConfigDir();
    // The storage folder used when InstallDir is absent: $XDG_DATA_HOME/site-vigil/ or ~/.local/share/site-vigil/.
    static std::string DefaultStorageFolder();

    int ReadInt(const std::string& name, int defaultValue);
    Status WriteInt(const std::string& name, int value);
    std::string ReadString(const std::string& name, const std::string& defaultValue);
    Status WriteString(const std::string& name, const std::string& text);
    Status DeleteValue(const std::string& name);
    // Reads without storing (listing the settings must not create them). False when absent or unreadable.
    bool PeekInt(const std::string& name, int& value);
    bool PeekString(const std::string& name, std::string& text);
    // False when the settings database could not be opened; every read then gives its default.
    bool IsStoreOpen() const;
    // Io, with the reason, when the database could not be opened.
    Status StoreStatus() const;
    // What a front end tells its user, once, when the settings file could not be opened; "" when it
    // could.
    std::string StoreProblemText() const;

    // See CSettingsDb::HoldRechecks: a check run holds them while it is in progress.
    void HoldRechecks(bool hold);

    // Reads with the default that readers other than the preferences pages pass.
    int ReadInt(const IntPref& key);
    std::string ReadString(const TextPref& key) { return ReadString(key.name, key.def); }

    // InstallDir as read when the object was constructed, ending with '/'.
    const std::string& GetStorageFolder() const { return m_strStorageFolder; }
    // The saved-pages folder, ending with '/'. InstallDir is read at each call, so a storage folder
    // changed in the preferences applies to the next check.
    std::string GetPagesFolder();
    int GetNumThreads();
    // threadPriority mapped to -2 (lowest), -1 (below normal) or 0 (normal).
    int GetThreadPriority();

    void LoadGeneral(GeneralPrefs& page);
    void SaveGeneral(const GeneralPrefs& page);
    void LoadConfirmations(ConfirmationPrefs& page);
    void SaveConfirmations(const ConfirmationPrefs& page);
    void LoadConnection(ConnectionPrefs& page);
    void SaveConnection(const ConnectionPrefs& page);
    void LoadPopup(PopupPrefs& page);
    void SavePopup(const PopupPrefs& page);
    void LoadRunCommand(RunCommandPrefs& page);
    void SaveRunCommand(const RunCommandPrefs& page);
    void LoadSound(SoundPrefs& page);
    void SaveSound(const SoundPrefs& page);
    void LoadEmail(EmailPrefs& page);
    void SaveEmail(const EmailPrefs& page);
    void LoadSchedule(SchedulePrefs& page);
    void SaveSchedule(const SchedulePrefs& page);
    void LoadProxy(ProxyPrefs& page);
    void SaveProxy(const ProxyPrefs& page);

    ~CVigilPrefs();

private:
    explicit CVigilPrefs(const std::string& configDir);
    // The number stored under name, or defaultValue (then stored as well); no range applied.
    int ReadStoredInt(const std::string& name, int defaultValue);

    std::unique_ptr<CSettingsDb> m_db;
    const std::string m_strVendorKey = "Brightfield";
    const std::string m_strAppKey = "Site Vigil";
    const std::string m_strSectionKey = "Settings";
    std::string m_strStorageFolder;
};
