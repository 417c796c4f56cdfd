#include "model/VigilPrefs.h"

#include "platform/Autostart.h"
#include "platform/FileUtil.h"
#include "platform/SettingsDb.h"

#include <cstdlib>
#include <cstring>

namespace {

std::mutex g_instanceMutex;
std::unique_ptr<CVigilPrefs> g_instance;

std::string EncodeDword(int value)
{
    const auto v = static_cast<uint32_t>(value);
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    return std::string(bytes, 4);
}

// Stored with its terminating zero; a text with an embedded zero is kept whole but read up to it.
std::string EncodeText(const std::string& text)
{
    std::string data = text;
    data += '\0';
    return data;
}

// A value's row as the database holds it.
struct StoredValue
{
    bool found = false;
    int type = 0;
    std::string data;
};

StoredValue ReadStored(CSettingsDb& db, const std::string& name)
{
    StoredValue stored;
    stored.found = db.Read(name, stored.type, stored.data);
    return stored;
}

bool DecodeDword(const StoredValue& stored, int& value)
{
    if (!stored.found || stored.type != CSettingsDb::kTypeDword || stored.data.size() != 4)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(stored.data.data());
    value = static_cast<int>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8)
                             | (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    return true;
}

bool DecodeText(const StoredValue& stored, std::string& text)
{
    if (!stored.found || stored.type != CSettingsDb::kTypeText)
        return false;
    text.assign(stored.data.c_str(), ::strnlen(stored.data.data(), stored.data.size()));
    return true;
}

// A read stores what it returns. When the row already holds exactly those bytes the write would leave
// it as it is, so it is skipped: settings are read many times per check, and each write is a write
// transaction on the database.
void StoreUnlessHeld(CSettingsDb& db, const std::string& name, const StoredValue& stored, int type,
                     const std::string& data)
{
    if (!stored.found || stored.type != type || stored.data != data)
        db.Write(name, type, data);
}

} // namespace

CVigilPrefs& CVigilPrefs::GetInstance()
{
    std::lock_guard lock(g_instanceMutex);
    if (!g_instance)
        g_instance.reset(new CVigilPrefs(ConfigDir()));
    return *g_instance;
}

void CVigilPrefs::ResetInstance()
{
    std::lock_guard lock(g_instanceMutex);
    g_instance.reset();
}

std::string CVigilPrefs::ConfigDir()
{
    if (const char* dir = std::getenv("SITEVIGIL_CONFIG_DIR"); dir && *dir)
        return WithSlash(dir);
    return UserConfigHome() + "site-vigil/";
}

std::string CVigilPrefs::DefaultStorageFolder()
{
    return UserDataHome() + "site-vigil/";
}

CVigilPrefs::CVigilPrefs(const std::string& configDir)
{
    MakeFolders(configDir, 0700);
    m_db = std::make_unique<CSettingsDb>(configDir + "settings.db");
    // The first access of the program: captures the storage folder for the whole run.
    std::string folder = ReadString(Pref::InstallDir.name, DefaultStorageFolder());
    // An empty value (a reader stored its "" default) would put the list file in the current or the
    // root folder: use the default folder instead.
    if (folder.empty())
        folder = DefaultStorageFolder();
    m_strStorageFolder = WithSlash(folder);
}

CVigilPrefs::~CVigilPrefs() = default;

void CVigilPrefs::HoldRechecks(bool hold)
{
    m_db->HoldRechecks(hold);
}

bool CVigilPrefs::IsStoreOpen() const
{
    return m_db->IsOpen();
}

Status CVigilPrefs::StoreStatus() const
{
    return m_db->OpenStatus();
}

std::string CVigilPrefs::StoreProblemText() const
{
    if (m_db->IsOpen())
        return {};
    return "the settings file " + m_db->Path() + " cannot be used (" + m_db->OpenStatus().error().message
        + "); going on with the default settings, and changes to the settings are not kept";
}

bool CVigilPrefs::PeekInt(const std::string& name, int& value)
{
    return DecodeDword(ReadStored(*m_db, name), value);
}

bool CVigilPrefs::PeekString(const std::string& name, std::string& text)
{
    return DecodeText(ReadStored(*m_db, name), text);
}

int CVigilPrefs::ReadStoredInt(const std::string& name, int defaultValue)
{
    const StoredValue stored = ReadStored(*m_db, name);
    int value = defaultValue;
    if (!DecodeDword(stored, value))
        value = defaultValue;
    StoreUnlessHeld(*m_db, name, stored, CSettingsDb::kTypeDword, EncodeDword(value));
    return value;
}

int CVigilPrefs::ReadInt(const std::string& name, int defaultValue)
{
    const int value = ReadStoredInt(name, defaultValue);
    // A value no page allows (written by hand or by an older version) reads as the nearest allowed one.
    if (const PrefInfo* info = FindPref(name.c_str()); info && info->intPref)
        return ReaderValue(*info->intPref, value);
    return value;
}

int CVigilPrefs::ReadInt(const IntPref& key)
{
    // The key is at hand: no search of the settings table on this path, which every fetch takes.
    return ReaderValue(key, ReadStoredInt(key.name, key.def));
}

Status CVigilPrefs::WriteInt(const std::string& name, int value)
{
    return m_db->Write(name, CSettingsDb::kTypeDword, EncodeDword(value));
}

std::string CVigilPrefs::ReadString(const std::string& name, const std::string& defaultValue)
{
    const StoredValue stored = ReadStored(*m_db, name);
    std::string text;
    if (!DecodeText(stored, text))
        text = defaultValue;
    StoreUnlessHeld(*m_db, name, stored, CSettingsDb::kTypeText, EncodeText(text));
    return text;
}

Status CVigilPrefs::WriteString(const std::string& name, const std::string& text)
{
    return m_db->Write(name, CSettingsDb::kTypeText, EncodeText(text));
}

Status CVigilPrefs::DeleteValue(const std::string& name)
{
    return m_db->Delete(name);
}

std::string CVigilPrefs::GetPagesFolder()
{
    std::string folder = ReadString(Pref::InstallDir);
    // An empty value would put the pages in whatever folder the program was started from.
    if (folder.empty())
        folder = m_strStorageFolder;
    return WithSlash(folder) + "savedPages/";
}

int CVigilPrefs::GetNumThreads()
{
    return ReadInt(Pref::numThreads);
}

int CVigilPrefs::GetThreadPriority()
{
    switch (ReadInt(Pref::threadPriority)) {
    case 0:
        return -2; // lowest
    case 1:
        return -1; // below normal
    default:
        return 0; // normal
    }
}

// The group loads read each key with its one default; the saves write the keys
// in the order below, each group's values independent of the others.

void CVigilPrefs::LoadGeneral(GeneralPrefs& page)
{
    page.actionOnDoubleClick = ReadInt(Pref::actionOnDoubleClick.name, Pref::actionOnDoubleClick.def);
    page.installDir = ReadString(Pref::InstallDir.name, DefaultStorageFolder());
    page.startMinimized = ReadInt(Pref::startMinimized.name, Pref::startMinimized.def);
    page.startWithWindows = ReadInt(Pref::startWithWindows.name, Pref::startWithWindows.def);
    page.hideToTrayOnExit = ReadInt(Pref::hideToTrayOnExit.name, Pref::hideToTrayOnExit.def);
    page.historyVersions = ReadInt(Pref::historyVersions);
    page.historyBudgetMB = ReadInt(Pref::historyBudgetMB);
    page.ignoreTexts = ReadString(Pref::ignoreTexts);
    page.ignoreRegexes = ReadString(Pref::ignoreRegexes);
}

void CVigilPrefs::SaveGeneral(const GeneralPrefs& page)
{
    WriteInt(Pref::actionOnDoubleClick.name, page.actionOnDoubleClick);
    WriteString(Pref::InstallDir.name, page.installDir);
    WriteInt(Pref::startMinimized.name, page.startMinimized);
    WriteInt(Pref::startWithWindows.name, page.startWithWindows);
    WriteInt(Pref::hideToTrayOnExit.name, page.hideToTrayOnExit);
    WriteInt(Pref::historyVersions.name, ClampPref(Pref::historyVersions, page.historyVersions));
    WriteInt(Pref::historyBudgetMB.name, ClampPref(Pref::historyBudgetMB, page.historyBudgetMB));
    WriteString(Pref::ignoreTexts.name, page.ignoreTexts);
    WriteString(Pref::ignoreRegexes.name, page.ignoreRegexes);
    // Failures here are ignored: the setting itself is saved either way.
    if (page.startWithWindows == 1)
        WriteAutostartEntry(CurrentExecutablePath());
    else if (page.startWithWindows == 0)
        RemoveAutostartEntry();
}

void CVigilPrefs::LoadConfirmations(ConfirmationPrefs& page)
{
    page.confirmClearChanges = ReadInt(Pref::confirmClearChanges.name, Pref::confirmClearChanges.def);
    page.confirmDeletes = ReadInt(Pref::confirmDeletes.name, Pref::confirmDeletes.def);
    page.confirmDuplicates = ReadInt(Pref::confirmDuplicates.name, Pref::confirmDuplicates.def);
    page.confirmScheduleStarts = ReadInt(Pref::confirmScheduleStarts.name, Pref::confirmScheduleStarts.def);
    page.showSummary = ReadInt(Pref::showSummary.name, Pref::showSummary.def);
    page.warnNoData = ReadInt(Pref::warnNoData.name, Pref::warnNoData.def);
    page.warnMultipleBrowserWindows
        = ReadInt(Pref::warnMultipleBrowserWindows.name, Pref::warnMultipleBrowserWindows.def);
}

void CVigilPrefs::SaveConfirmations(const ConfirmationPrefs& page)
{
    WriteInt(Pref::confirmClearChanges.name, page.confirmClearChanges);
    WriteInt(Pref::confirmDeletes.name, page.confirmDeletes);
    WriteInt(Pref::confirmDuplicates.name, page.confirmDuplicates);
    WriteInt(Pref::confirmScheduleStarts.name, page.confirmScheduleStarts);
    WriteInt(Pref::showSummary.name, page.showSummary);
    WriteInt(Pref::warnNoData.name, page.warnNoData);
    WriteInt(Pref::warnMultipleBrowserWindows.name, page.warnMultipleBrowserWindows);
}

void CVigilPrefs::LoadConnection(ConnectionPrefs& page)
{
    page.numThreads = ReadInt(Pref::numThreads.name, Pref::numThreads.def);
    page.threadPriority = ReadInt(Pref::threadPriority.name, Pref::threadPriority.def);
    page.userAgent = ReadString(Pref::userAgent.name, Pref::userAgent.def);
    page.connectTimeout = ReadInt(Pref::connectTimeout.name, Pref::connectTimeout.def);
    page.connectRetryCount = ReadInt(Pref::connectRetryCount.name, Pref::connectRetryCount.def);
    page.hostConcurrency = ReadInt(Pref::hostConcurrency.name, Pref::hostConcurrency.def);
    page.hostDelayMs = ReadInt(Pref::hostDelayMs.name, Pref::hostDelayMs.def);
    page.renderParallel = ReadInt(Pref::renderParallel.name, Pref::renderParallel.def);
    page.renderMemoryMB = ReadInt(Pref::renderMemoryMB.name, Pref::renderMemoryMB.def);
}

void CVigilPrefs::SaveConnection(const ConnectionPrefs& page)
{
    WriteInt(Pref::numThreads.name, page.numThreads);
    WriteInt(Pref::threadPriority.name, page.threadPriority);
    WriteString(Pref::userAgent.name, page.userAgent);
    WriteInt(Pref::connectTimeout.name, page.connectTimeout);
    WriteInt(Pref::connectRetryCount.name, page.connectRetryCount);
    WriteInt(Pref::hostConcurrency.name, page.hostConcurrency);
    WriteInt(Pref::hostDelayMs.name, page.hostDelayMs);
    WriteInt(Pref::renderParallel.name, page.renderParallel);
    WriteInt(Pref::renderMemoryMB.name, page.renderMemoryMB);
}

void CVigilPrefs::LoadPopup(PopupPrefs& page)
{
    page.autoClosePopupNotify = ReadInt(Pref::autoClosePopupNotify.name, Pref::autoClosePopupNotify.def);
    page.popupNotify = ReadInt(Pref::popupNotify.name, Pref::popupNotify.def);
    page.popupDuration = ReadInt(Pref::popupDuration.name, Pref::popupDuration.def);
}

void CVigilPrefs::SavePopup(const PopupPrefs& page)
{
    WriteInt(Pref::autoClosePopupNotify.name, page.autoClosePopupNotify);
    WriteInt(Pref::popupNotify.name, page.popupNotify);
    WriteInt(Pref::popupDuration.name, page.popupDuration);
}

void CVigilPrefs::LoadRunCommand(RunCommandPrefs& page)
{
    page.flagRunCommand = ReadInt(Pref::flagRunCommand.name, Pref::flagRunCommand.def);
    page.commandToRun = ReadString(Pref::commandToRun.name, Pref::commandToRun.def);
}

void CVigilPrefs::SaveRunCommand(const RunCommandPrefs& page)
{
    WriteInt(Pref::flagRunCommand.name, page.flagRunCommand);
    WriteString(Pref::commandToRun.name, page.commandToRun);
}

void CVigilPrefs::LoadSound(SoundPrefs& page)
{
    page.soundPreference = ReadInt(Pref::soundPreference.name, Pref::soundPreference.def);
    page.soundFilename = ReadString(Pref::soundFilename.name, Pref::soundFilename.def);
}

void CVigilPrefs::SaveSound(const SoundPrefs& page)
{
    WriteInt(Pref::soundPreference.name, page.soundPreference);
    WriteString(Pref::soundFilename.name, page.soundFilename);
}

void CVigilPrefs::LoadEmail(EmailPrefs& page)
{
    page.emailAddress = ReadString(Pref::emailAddress.name, Pref::emailAddress.def);
    page.emailRecipients = ReadString(Pref::emailRecipients.name, Pref::emailRecipients.def);
    page.emailUsername = ReadString(Pref::emailUsername.name, Pref::emailUsername.def);
    page.sendEmail = ReadInt(Pref::sendEmail.name, Pref::sendEmail.def);
    page.smtpPort = ReadInt(Pref::smtpPort.name, Pref::smtpPort.def);
    page.smtpServer = ReadString(Pref::smtpServer.name, Pref::smtpServer.def);
    page.smtpSecurity = ReadInt(Pref::smtpSecurity.name, Pref::smtpSecurity.def);
    page.smtpUser = ReadString(Pref::smtpUser.name, Pref::smtpUser.def);
    page.smtpPassword = ReadString(Pref::smtpPassword.name, Pref::smtpPassword.def);
    page.smtpCAFile = ReadString(Pref::smtpCAFile.name, Pref::smtpCAFile.def);
}

void CVigilPrefs::SaveEmail(const EmailPrefs& page)
{
    WriteString(Pref::emailAddress.name, page.emailAddress);
    WriteString(Pref::emailRecipients.name, page.emailRecipients);
    WriteString(Pref::emailUsername.name, page.emailUsername);
    WriteInt(Pref::sendEmail.name, page.sendEmail);
    WriteInt(Pref::smtpPort.name, page.smtpPort);
    WriteString(Pref::smtpServer.name, page.smtpServer);
    WriteInt(Pref::smtpSecurity.name, page.smtpSecurity);
    WriteString(Pref::smtpUser.name, page.smtpUser);
    WriteString(Pref::smtpPassword.name, page.smtpPassword);
    WriteString(Pref::smtpCAFile.name, page.smtpCAFile);
}

void CVigilPrefs::LoadSchedule(SchedulePrefs& page)
{
    page.checkUnits = ReadInt(Pref::checkUnits.name, Pref::checkUnits.def);
    page.autoCheck = ReadInt(Pref::autoCheck.name, Pref::autoCheck.def);
    page.checkFrequency = ReadInt(Pref::checkFrequency.name, Pref::checkFrequency.def);
    page.checkJitter = ReadInt(Pref::checkJitter);
}

void CVigilPrefs::SaveSchedule(const SchedulePrefs& page)
{
    WriteInt(Pref::checkUnits.name, page.checkUnits);
    WriteInt(Pref::autoCheck.name, page.autoCheck);
    WriteInt(Pref::checkFrequency.name, page.checkFrequency);
    WriteInt(Pref::checkJitter.name, page.checkJitter);
}

void CVigilPrefs::LoadProxy(ProxyPrefs& page)
{
    page.proxyType = ReadInt(Pref::proxyType.name, Pref::proxyType.def);
    page.proxyAuth = ReadInt(Pref::proxyAuth.name, Pref::proxyAuth.def);
    page.proxyUser = ReadString(Pref::proxyUser.name, Pref::proxyUser.def);
    page.proxyPassword = ReadString(Pref::proxyPassword.name, Pref::proxyPassword.def);
    page.proxyPort = ReadInt(Pref::proxyPort.name, Pref::proxyPort.def);
    page.proxyServer = ReadString(Pref::proxyServer.name, Pref::proxyServer.def);
}

void CVigilPrefs::SaveProxy(const ProxyPrefs& page)
{
    WriteInt(Pref::proxyType.name, page.proxyType);
    WriteInt(Pref::proxyAuth.name, page.proxyAuth);
    WriteString(Pref::proxyUser.name, page.proxyUser);
    WriteString(Pref::proxyPassword.name, page.proxyPassword);
    WriteInt(Pref::proxyPort.name, page.proxyPort);
    WriteString(Pref::proxyServer.name, page.proxyServer);
}
