#include "model/VigilPrefs.h"
#include "platform/Autostart.h"
#include "platform/FileUtil.h"
#include "platform/SettingsDb.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sys/stat.h>

namespace {

// Writes a raw value into the isolated settings database, as another program might have left it.
void WriteRaw(const CIsolatedSettings& settings, const std::string& name, int type, const std::string& data)
{
    CSettingsDb db(settings.ConfigDir() + "settings.db");
    ASSERT_TRUE(db.Write(name, type, data));
}

TEST(VigilPrefs, ReadingStoresWhatItReturns)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    int value = 0;
    EXPECT_FALSE(prefs.PeekInt("confirmDeletes", value));
    prefs.WriteInt("confirmDeletes", 1);
    ConfirmationPrefs page;
    prefs.LoadConfirmations(page);
    EXPECT_EQ(page.confirmDeletes, 1);

    EXPECT_EQ(prefs.ReadString("smtpServer", "mail.test"), "mail.test");
    EXPECT_EQ(prefs.ReadString("smtpServer", "other"), "mail.test");
    // Value names ignore letter case, as registry names do.
    EXPECT_EQ(prefs.ReadString("SMTPSERVER", "x"), "mail.test");
}

// Whoever reads a setting first, the list view or the preferences page, every later reader finds the
// same value; and a fresh user is told of changes without asking to be, and is asked nothing.
TEST(VigilPrefs, ASettingHasOneDefaultWhoeverReadsFirst)
{
    std::map<std::string, int> byReaders;
    {
        CIsolatedSettings settings;
        CVigilPrefs& prefs = CVigilPrefs::GetInstance();
        for (const PrefInfo& info : AllPrefs()) {
            if (info.intPref)
                byReaders[info.name] = prefs.ReadInt(*info.intPref);
        }
    }
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    GeneralPrefs general;
    ConfirmationPrefs confirmations;
    ConnectionPrefs connection;
    PopupPrefs popup;
    SoundPrefs sound;
    EmailPrefs email;
    SchedulePrefs schedule;
    ProxyPrefs proxy;
    prefs.LoadGeneral(general);
    prefs.LoadConfirmations(confirmations);
    prefs.LoadConnection(connection);
    prefs.LoadPopup(popup);
    prefs.LoadSound(sound);
    prefs.LoadEmail(email);
    prefs.LoadSchedule(schedule);
    prefs.LoadProxy(proxy);
    for (const auto& [name, value] : byReaders) {
        int stored = 0;
        if (prefs.PeekInt(name, stored)) {
            EXPECT_EQ(stored, value) << name;
        }
    }
    EXPECT_EQ(confirmations.confirmScheduleStarts, 0);
    EXPECT_EQ(confirmations.confirmDeletes, 0);
    EXPECT_EQ(popup.popupNotify, 1);
    EXPECT_EQ(sound.soundPreference, 0);
    EXPECT_EQ(general.hideToTrayOnExit, 1);
    EXPECT_EQ(connection.userAgent, prefs.ReadString(Pref::userAgent));
}

TEST(VigilPrefs, UnreadableValuesGiveTheDefault)
{
    CIsolatedSettings settings;
    WriteRaw(settings, "short", CSettingsDb::kTypeDword, std::string("\x01\x02", 2));
    WriteRaw(settings, "long", CSettingsDb::kTypeDword, std::string("\x01\x00\x00\x00\x00", 5));
    WriteRaw(settings, "textAsInt", CSettingsDb::kTypeText, std::string("12\0\0", 4));
    WriteRaw(settings, "negative", CSettingsDb::kTypeDword, std::string("\xFE\xFF\xFF\xFF", 4));
    WriteRaw(settings, "embedded", CSettingsDb::kTypeText, std::string("abc\0def\0", 8));
    WriteRaw(settings, "unterminated", CSettingsDb::kTypeText, "xyz");
    WriteRaw(settings, "intAsText", CSettingsDb::kTypeDword, std::string("\x41\x42\x43\x00", 4));

    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    EXPECT_EQ(prefs.ReadInt("short", 9), 9);
    EXPECT_EQ(prefs.ReadInt("long", 9), 9);
    EXPECT_EQ(prefs.ReadInt("textAsInt", 9), 9);
    EXPECT_EQ(prefs.ReadInt("negative", 9), -2);
    EXPECT_EQ(prefs.ReadString("embedded", "d"), "abc");
    EXPECT_EQ(prefs.ReadString("unterminated", "d"), "xyz");
    EXPECT_EQ(prefs.ReadString("intAsText", "d"), "d");
    // The default returned was stored in place of the unreadable value.
    EXPECT_EQ(prefs.ReadInt("short", 1), 9);

    // Each read left exactly the bytes it would write, also where the old row gave the same value.
    CSettingsDb db(settings.ConfigDir() + "settings.db");
    const struct
    {
        const char* name;
        int type;
        std::string data;
    } stored[] = {
        {"long", CSettingsDb::kTypeDword, std::string("\x09\0\0\0", 4)},
        {"textAsInt", CSettingsDb::kTypeDword, std::string("\x09\0\0\0", 4)},
        {"negative", CSettingsDb::kTypeDword, "\xFE\xFF\xFF\xFF"},
        {"embedded", CSettingsDb::kTypeText, std::string("abc\0", 4)},
        {"unterminated", CSettingsDb::kTypeText, std::string("xyz\0", 4)},
        {"intAsText", CSettingsDb::kTypeText, std::string("d\0", 2)},
    };
    for (const auto& expected : stored) {
        int type = 0;
        std::string data;
        ASSERT_TRUE(db.Read(expected.name, type, data)) << expected.name;
        EXPECT_EQ(type, expected.type) << expected.name;
        EXPECT_EQ(data, expected.data) << expected.name;
    }
}

TEST(VigilPrefs, StorageFolderIsCapturedAtConstruction)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    EXPECT_EQ(prefs.GetStorageFolder(), settings.StorageDir());
    prefs.WriteString("InstallDir", "/elsewhere");
    EXPECT_EQ(prefs.GetStorageFolder(), settings.StorageDir());

    CVigilPrefs::ResetInstance();
    EXPECT_EQ(CVigilPrefs::GetInstance().GetStorageFolder(), "/elsewhere/"); // a trailing '/' is ensured

    // An empty value would mean the root folder: the default folder is used instead.
    CVigilPrefs::GetInstance().WriteString("InstallDir", "");
    CVigilPrefs::ResetInstance();
    EXPECT_EQ(CVigilPrefs::GetInstance().GetStorageFolder(), CVigilPrefs::DefaultStorageFolder());
}

TEST(VigilPrefs, FirstStartStoresTheDefaultFolder)
{
    CIsolatedSettings settings;
    CVigilPrefs::GetInstance().DeleteValue("InstallDir");
    CVigilPrefs::ResetInstance();
    const std::string expected = std::string(std::getenv("XDG_DATA_HOME")) + "/site-vigil/";
    EXPECT_EQ(CVigilPrefs::DefaultStorageFolder(), expected);
    EXPECT_EQ(CVigilPrefs::GetInstance().GetStorageFolder(), expected);
    std::string stored;
    ASSERT_TRUE(CVigilPrefs::GetInstance().PeekString("InstallDir", stored));
    EXPECT_EQ(stored, expected);
}

TEST(VigilPrefs, ThreadsAndPriority)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    EXPECT_EQ(prefs.GetNumThreads(), 1);
    prefs.WriteInt("numThreads", 19);
    EXPECT_EQ(prefs.GetNumThreads(), 19);
    // A value no page offers reads as the nearest one that it does.
    const int mapping[][2] = {{0, -2}, {1, -1}, {2, 0}, {3, 0}, {-1, -2}, {1000, 0}};
    for (const auto& m : mapping) {
        prefs.WriteInt("threadPriority", m[0]);
        EXPECT_EQ(prefs.GetThreadPriority(), m[1]) << "stored " << m[0];
    }
}

TEST(VigilPrefs, OutOfRangeValuesReadAsTheNearestAllowed)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    struct Case
    {
        const char* name;
        int stored;
        int read;
    };
    const Case cases[] = {{"numThreads", -5, 0}, {"numThreads", 25, 19},   {"autoCheck", 7, 1},
                          {"checkUnits", 9, 3},  {"connectTimeout", 0, 1}, {"urlID", -7, -7}};
    for (const Case& c : cases) {
        prefs.WriteInt(c.name, c.stored);
        EXPECT_EQ(prefs.ReadInt(c.name, 0), c.read) << c.name << " " << c.stored;
    }
    prefs.WriteInt("numThreads", 1000);
    EXPECT_EQ(prefs.GetNumThreads(), 19) << "the pool gets at most 20 threads";
}

TEST(VigilPrefs, GroupsLoadPageDefaultsAndSaveBack)
{
    CIsolatedSettings settings;
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    ConnectionPrefs connection;
    connection.userAgent = "stale";
    prefs.LoadConnection(connection);
    EXPECT_EQ(connection.userAgent, "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)");
    EXPECT_EQ(connection.connectTimeout, 10);
    EXPECT_EQ(prefs.ReadInt(Pref::connectTimeout), 10); // the load created it with its default

    ProxyPrefs proxy;
    proxy.proxyType = 2;
    proxy.proxyServer = "proxy.test";
    proxy.proxyPort = 3128;
    proxy.proxyUser = "me";
    proxy.proxyPassword = "secret";
    prefs.SaveProxy(proxy);
    ProxyPrefs loaded;
    prefs.LoadProxy(loaded);
    EXPECT_EQ(loaded.proxyType, 2);
    EXPECT_EQ(loaded.proxyServer, "proxy.test");
    EXPECT_EQ(loaded.proxyPort, 3128);
    EXPECT_EQ(loaded.proxyUser, "me");
    EXPECT_EQ(loaded.proxyPassword, "secret");

    EmailPrefs email;
    prefs.LoadEmail(email);
    EXPECT_EQ(email.smtpPort, 25);
    SchedulePrefs schedule;
    prefs.LoadSchedule(schedule);
    EXPECT_EQ(schedule.checkFrequency, 24);
    EXPECT_EQ(schedule.checkUnits, 2);

    struct stat st
    {
    };
    ASSERT_EQ(::stat((settings.ConfigDir() + "settings.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u); // it holds the proxy password
}

TEST(VigilPrefs, SavingGeneralWritesAndRemovesTheAutostartEntry)
{
    CIsolatedSettings settings;
    const std::string entry
        = std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/org.sitevigil.SiteVigil.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry);
    // An entry of the earlier name would start the program twice, or on after it was turned off.
    const std::string earlier = std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/site-vigil.desktop";
    MakeFolders(earlier.substr(0, earlier.rfind('/') + 1));
    WriteFileBytes(earlier, "[Desktop Entry]\nType=Application\nExec=sitevigil\n");
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    GeneralPrefs general;
    prefs.LoadGeneral(general);
    EXPECT_EQ(general.installDir, settings.StorageDir());

    general.startWithWindows = 1;
    prefs.SaveGeneral(general);
    ASSERT_TRUE(FileExists(entry));
    const std::string text = ReadFileBytes(entry);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"" + CurrentExecutablePath() + "\"\n"), std::string::npos);
    EXPECT_EQ(prefs.ReadInt(Pref::startWithWindows), 1);

    EXPECT_FALSE(FileExists(earlier));

    WriteFileBytes(earlier, "[Desktop Entry]\nType=Application\nExec=sitevigil\n");
    general.startWithWindows = 0;
    prefs.SaveGeneral(general);
    EXPECT_FALSE(FileExists(entry));
    EXPECT_FALSE(FileExists(earlier));
    prefs.SaveGeneral(general); // nothing to remove: no harm
    EXPECT_FALSE(FileExists(entry));
}

TEST(VigilPrefs, DamagedDatabaseGivesDefaultsAndGoesOn)
{
    CIsolatedSettings settings;
    CVigilPrefs::ResetInstance();
    WriteFileBytes(settings.ConfigDir() + "settings.db", std::string(8192, '\x5A'));
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    EXPECT_FALSE(prefs.IsStoreOpen());
    ASSERT_FALSE(prefs.StoreStatus());
    EXPECT_FALSE(prefs.StoreStatus().error().message.empty());
    EXPECT_EQ(prefs.ReadInt("numThreads", 4), 4);
    EXPECT_EQ(prefs.ReadString("userAgent", "ua"), "ua");
    EXPECT_FALSE(prefs.WriteInt("numThreads", 3));
    EXPECT_EQ(prefs.GetStorageFolder(), CVigilPrefs::DefaultStorageFolder());
    // The damaged file is left as it was for the user to inspect.
    EXPECT_EQ(ReadFileBytes(settings.ConfigDir() + "settings.db"), std::string(8192, '\x5A'));
}

TEST(VigilPrefs, UnopenableFolderGivesDefaults)
{
    CTempDir dir;
    WriteFileBytes(dir.Path() + "file", "x");
    CIsolatedSettings settings;
    // A config "folder" below a regular file can never be created.
    setenv("SITEVIGIL_CONFIG_DIR", (dir.Path() + "file/config").c_str(), 1);
    CVigilPrefs::ResetInstance();
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    EXPECT_FALSE(prefs.IsStoreOpen());
    EXPECT_EQ(prefs.ReadInt("popupDuration", 10), 10);
    EXPECT_FALSE(prefs.WriteString("smtpServer", "x"));
}

} // namespace
