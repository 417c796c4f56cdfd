#include "check/PageTexts.h"
#include "cli/CliApp.h"
#include "cli/CliJson.h"
#include "model/ListSession.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"
#include "platform/FolderLock.h"
#include "platform/LocalSocket.h"
#include "run/ControlChannel.h"
#include "run/ListRequests.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

struct CliRun
{
    int status;
    std::string out;
    std::string err;
};

CliRun Cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class CliTest : public testing::Test
{
protected:
    // The list as the next command will see it.
    std::vector<std::string> Names()
    {
        CSiteVigilDoc doc;
        EXPECT_TRUE(doc.LoadDefault());
        std::vector<std::string> names;
        for (const auto& record : doc.Records())
            names.push_back(record->m_strName);
        return names;
    }
    std::unique_ptr<Curl> Only()
    {
        CSiteVigilDoc doc;
        EXPECT_TRUE(doc.LoadDefault());
        EXPECT_EQ(doc.Records().size(), 1u);
        return doc.Count() == 1 ? doc.RemoveRecord(&doc.RecordAt(0)) : nullptr;
    }

    CIsolatedSettings m_settings;
};

TEST_F(CliTest, UsageAndUnknownCommands)
{
    const CliRun none = Cli({});
    EXPECT_EQ(none.status, kExitUsage);
    for (const char* command : {"list", "add", "remove", "check", "clear", "diff", "log", "import-bookmarks",
                                "import-favorites", "import-list", "config", "daemon", "test-email"})
        EXPECT_NE(none.err.find(std::string("  ") + command + " "), std::string::npos) << command;
    EXPECT_EQ(Cli({"--help"}).status, kExitOk);

    const CliRun unknown = Cli({"frobnicate"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1);
    EXPECT_EQ(Cli({"--bogus", "list"}).status, kExitUsage);
    EXPECT_EQ(Cli({"list", "--bogus"}).status, kExitUsage);
    EXPECT_EQ(Cli({"--config-dir"}).status, kExitUsage);
}

TEST_F(CliTest, AddSetsTheRecordFromItsOptions)
{
    const CliRun added
        = Cli({"add", "https://example.test/news?x=1", "--name", "News", "--watch", "content", "--watch=text",
               "--search", "sale", "--start", "<main>", "--end", "</main>", "--no-save"});
    ASSERT_EQ(added.status, kExitOk) << added.err;
    const auto record = Only();
    EXPECT_EQ(record->m_strName, "News");
    EXPECT_EQ(record->m_strURL, "https://example.test/news?x=1");
    EXPECT_TRUE(record->m_bWatchContent);
    EXPECT_TRUE(record->m_bTextSearch);
    EXPECT_FALSE(record->m_bWatchSize); // --watch replaces the default set
    EXPECT_FALSE(record->m_bWatchDate);
    EXPECT_EQ(record->m_strSearchText, "sale");
    EXPECT_FALSE(record->m_bFromStart);
    EXPECT_EQ(record->m_strStartText, "<main>");
    EXPECT_FALSE(record->m_bToEnd);
    EXPECT_EQ(record->m_strEndText, "</main>");
    EXPECT_FALSE(record->m_bSavePage);
}

TEST_F(CliTest, AddDefaultsAndRefusals)
{
    ASSERT_EQ(Cli({"add", "http://example.test/"}).status, kExitOk);
    const auto record = Only();
    EXPECT_EQ(record->m_strName, "http://example.test/");
    EXPECT_TRUE(record->m_bWatchSize);
    EXPECT_TRUE(record->m_bSavePage);
    EXPECT_TRUE(record->m_bFromStart);

    const std::vector<std::vector<std::string>> refused = {
        {"add", "ftp://example.test/"},
        {"add", "example.test"},
        {"add"},
        {"add", "http://a.test/", "http://b.test/"},
        {"add", "http://a.test/", "--watch", "everything"},
        {"add", "http://a.test/", "--watch", "text"},
        {"add", "http://a.test/", "--name"},
    };
    for (const auto& args : refused) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.status, kExitUsage) << args.back();
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(Names().size(), 1u);

    // A duplicate is added, with a warning.
    const CliRun duplicate = Cli({"add", "HTTP://EXAMPLE.TEST/"});
    EXPECT_EQ(duplicate.status, kExitOk);
    EXPECT_NE(duplicate.err.find("already in the list"), std::string::npos);
    EXPECT_EQ(Names().size(), 2u);
}

TEST_F(CliTest, ListShowsEveryPageAsTextOrJson)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "Quote \" and \\ and\ttab"}).status, kExitOk);
    ASSERT_EQ(Cli({"add", "http://b.test/", "--name",
                   "B\x1b]0;title\x07\xc2\x9b"
                   "31m"})
                  .status,
              kExitOk);
    ASSERT_EQ(Cli({"add", "http://c.test/", "--name", "C"}).status, kExitOk);

    const CliRun text = Cli({"list"});
    ASSERT_EQ(text.status, kExitOk);
    std::istringstream lines(text.out);
    std::string first, second, third, extra;
    std::getline(lines, first);
    std::getline(lines, second);
    std::getline(lines, third);
    EXPECT_FALSE(std::getline(lines, extra));
    // The list keeps the order the pages were added in, however often it is saved and loaded.
    EXPECT_EQ(first,
              "1\tQuote \" and \\ and tab\thttp://a.test/\tNever visited\tUnchanged\tNever\t"
              "Unknown - never visited\t@1");
    // Control characters never reach the terminal.
    EXPECT_EQ(second.rfind("2\tB\\x1B]0;title\\x07\\u{9B}31m\t", 0), 0u) << second;
    EXPECT_EQ(third.substr(0, 4), "3\tC\t");

    const CliRun json = Cli({"list", "--json"});
    ASSERT_EQ(json.status, kExitOk);
    EXPECT_NE(json.out.find("\"name\": \"Quote \\\" and \\\\ and\\ttab\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"name\": \"B\\u001b]0;title\\u0007\\u009b31m\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"position\": 3"), std::string::npos);
    EXPECT_EQ(json.out.front(), '[');

    ASSERT_EQ(Cli({"remove", "1", "2", "3"}).status, kExitOk);
    EXPECT_EQ(Cli({"list", "--json"}).out, "[]\n");
}

TEST(CliJson, EscapesControlsAndInvalidBytes)
{
    EXPECT_EQ(JsonString("a\"b\\c\n\x01\x7F"), "\"a\\\"b\\\\c\\n\\u0001\\u007f\"");
    EXPECT_EQ(JsonString("caf\xC3\xA9 \xE2\x82\xAC"), "\"caf\xC3\xA9 \xE2\x82\xAC\"");
    // Latin-1 bytes, an overlong form, a surrogate and a cut sequence each become U+FFFD.
    EXPECT_EQ(JsonString("\xE9"), "\"\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xE2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST_F(CliTest, RemoveAndClearByPositionOrName)
{
    for (const char* name : {"one", "two", "three"})
        ASSERT_EQ(Cli({"add", std::string("http://") + name + ".test/", "--name", name}).status, kExitOk);
    const std::vector<std::string> order = Names();
    ASSERT_EQ(order.size(), 3u);

    // Every name is checked before anything changes.
    const CliRun bad = Cli({"remove", "1", "nine"});
    EXPECT_EQ(bad.status, kExitUsage);
    EXPECT_NE(bad.err.find("nine"), std::string::npos);
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_EQ(Cli({"remove", "0"}).status, kExitUsage);
    EXPECT_EQ(Cli({"remove"}).status, kExitUsage);

    ASSERT_EQ(Cli({"remove", "two", "1"}).status, kExitOk);
    std::vector<std::string> left;
    for (const auto& name : order) {
        if (name != "two" && name != order[0])
            left.push_back(name);
    }
    EXPECT_EQ(Names(), left);

    // Marks cleared for the named page only, then for all.
    ASSERT_EQ(Cli({"add", "http://four.test/", "--name", "four"}).status, kExitOk);
    {
        CSiteVigilDoc doc;
        ASSERT_TRUE(doc.LoadDefault());
        for (const auto& record : doc.Records())
            record->MarkChanged("Size changed");
        ASSERT_TRUE(doc.SaveDefault());
    }
    ASSERT_EQ(Cli({"clear", "four"}).status, kExitOk);
    CSiteVigilDoc doc;
    ASSERT_TRUE(doc.LoadDefault());
    for (const auto& record : doc.Records()) {
        EXPECT_EQ(record->m_bChanged, record->m_strName != "four") << record->m_strName;
        EXPECT_EQ(record->m_strChangeReason.empty(), record->m_strName == "four");
    }
    ASSERT_EQ(Cli({"clear"}).status, kExitOk);
    CSiteVigilDoc cleared;
    ASSERT_TRUE(cleared.LoadDefault());
    for (const auto& record : cleared.Records()) {
        EXPECT_FALSE(record->m_bChanged);
        EXPECT_EQ(ChangeText(*record), "  Unchanged ");
    }
}

TEST_F(CliTest, ChangesWaitBrieflyForTheLockAndThenSaySo)
{
    CFolderLock other;
    ASSERT_TRUE(other.Acquire(m_settings.StorageDir()));
    const CliRun run = Cli({"add", "http://a.test/"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_NE(run.err.find("in use"), std::string::npos) << run.err;
    EXPECT_EQ(Cli({"list"}).status, kExitOk); // reading needs no lock

    // Parallel commands each hold the lock for a moment: the next one waits its turn.
    std::thread releaser([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.Release();
    });
    const CliRun waited = Cli({"add", "http://a.test/"});
    releaser.join();
    EXPECT_EQ(waited.status, kExitOk) << waited.err;
}

// A running program that does not answer (a dialog open, a page of its run that hangs) keeps no reader
// waiting: list, show, diff and log read the files as they are.
TEST_F(CliTest, ReadingCommandsNeverWaitForTheRunningProgram)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "a"}).status, kExitOk);
    const Result<int> stuck = ListenLocalSocket(ControlSocketPath(m_settings.StorageDir()).value());
    ASSERT_TRUE(stuck);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"list"}, {"show", "a"}, {"log"}}) {
        const CliRun run = Cli(command);
        EXPECT_EQ(run.status, kExitOk) << command[0] << ": " << run.err;
    }
    EXPECT_NE(Cli({"list"}).out.find("http://a.test/"), std::string::npos);
    close(stuck.value());
}

TEST_F(CliTest, DamagedListIsShownButNeverOverwritten)
{
    ASSERT_EQ(Cli({"add", "http://a.test/", "--name", "a"}).status, kExitOk);
    ASSERT_EQ(Cli({"add", "http://b.test/", "--name", "b"}).status, kExitOk);
    const std::string path = m_settings.StorageDir() + "siteVigil.dat";
    std::string bytes = ReadFileBytes(path);
    bytes.resize(bytes.size() - 10);
    WriteFileBytes(path, bytes);

    const CliRun list = Cli({"list"});
    EXPECT_EQ(list.status, kExitUsage);
    EXPECT_NE(list.out.find("\tError\t"), std::string::npos);
    EXPECT_NE(list.err.find("damaged"), std::string::npos);
    EXPECT_EQ(Cli({"add", "http://c.test/"}).status, kExitUsage);
    EXPECT_EQ(Cli({"clear"}).status, kExitUsage);
    EXPECT_EQ(ReadFileBytes(path), bytes);

    // The same commands handed to a running program that shows the damaged list change nothing in it.
    CListSession held;
    ASSERT_TRUE(held.Lock().ok());
    ASSERT_FALSE(held.Open(true).ok());
    const size_t shown = held.Doc().Count();
    for (const ControlVerb verb : {ControlVerb::Add, ControlVerb::Clear, ControlVerb::Remove}) {
        ControlRequest request;
        request.verb = verb;
        request.changes.url = "http://c.test/";
        request.pages = verb == ControlVerb::Remove ? std::vector<std::string>{"1"} : std::vector<std::string>{};
        const ControlAnswer answer = ApplyListRequest(held, request);
        EXPECT_EQ(answer.outcome, ControlOutcome::Refused) << ControlVerbName(verb);
        EXPECT_NE(answer.error.find("damaged"), std::string::npos) << ControlVerbName(verb) << ": " << answer.error;
    }
    EXPECT_EQ(held.Doc().Count(), shown);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST_F(CliTest, ImportListMergesAWholeFileOrNothing)
{
    CTempDir other;
    CSiteVigilDoc source;
    for (const char* name : {"A", "B", "C"}) {
        auto record = std::make_unique<Curl>();
        record->m_strName = name;
        record->m_strURL = std::string("http://") + name + ".test/";
        source.AddRecord(std::move(record));
    }
    const std::string file = other.Path() + "other.dat";
    ASSERT_TRUE(source.SaveToFile(file));
    ASSERT_EQ(Cli({"add", "http://x.test/", "--name", "X"}).status, kExitOk);

    const CliRun imported = Cli({"import-list", file});
    EXPECT_EQ(imported.status, kExitOk) << imported.err;
    EXPECT_EQ(imported.out, "Imported 3 pages\n");
    // The file's pages go in front, each to the head; the saved list comes back reversed on the next load.
    EXPECT_EQ(Names(), (std::vector<std::string>{"X", "A", "B", "C"}));

    // A file cut short would bring in "Error" placeholders: nothing is imported.
    std::string bytes = ReadFileBytes(file);
    bytes.resize(bytes.size() - 10);
    WriteFileBytes(file, bytes);
    const std::string listBefore = ReadFileBytes(m_settings.StorageDir() + "siteVigil.dat");
    EXPECT_EQ(Cli({"import-list", file}).status, kExitUsage);
    EXPECT_EQ(ReadFileBytes(m_settings.StorageDir() + "siteVigil.dat"), listBefore);
    EXPECT_EQ(Cli({"import-list", other.Path() + "missing.dat"}).status, kExitUsage);
}

TEST_F(CliTest, ConfigIsTypedByTheSettingsTable)
{
    CliRun get = Cli({"config", "get", "confirmDeletes"});
    EXPECT_EQ(get.status, kExitOk);
    EXPECT_EQ(get.out, "0\n");
    // Looking does not create the value.
    int value = 0;
    EXPECT_FALSE(CVigilPrefs::GetInstance().PeekInt("confirmDeletes", value));

    EXPECT_EQ(Cli({"config", "set", "numThreads", "7"}).status, kExitOk);
    EXPECT_EQ(Cli({"config", "get", "numthreads"}).out, "7\n");
    EXPECT_EQ(Cli({"config", "set", "smtpServer", "mail.test"}).status, kExitOk);
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadString(Pref::smtpServer), "mail.test");

    for (const char* bad : {"seven", "7x", "", "99999999999", "1.5"})
        EXPECT_EQ(Cli({"config", "set", "numThreads", bad}).status, kExitUsage) << bad;
    // Values no preferences page allows are refused, naming the allowed ones; the stored value stays.
    const std::pair<const char*, const char*> outOfRange[][2] = {
        {{"checkUnits", "9"}, {"", "0 to 3 (0 seconds, 1 minutes, 2 hours, 3 days)"}},
        {{"numThreads", "-5"}, {"", "0 to 19"}},
        {{"checkFrequency", "0"}, {"", "1 to 9999"}},
        {{"autoCheck", "7"}, {"", "0 to 1"}},
        {{"proxyPort", "65536"}, {"", "0 to 65535"}},
    };
    for (const auto& c : outOfRange) {
        const CliRun refused = Cli({"config", "set", c[0].first, c[0].second});
        EXPECT_EQ(refused.status, kExitUsage) << c[0].first;
        EXPECT_NE(refused.err.find(c[1].second), std::string::npos) << refused.err;
    }
    EXPECT_EQ(Cli({"config", "get", "numThreads"}).out, "7\n");
    EXPECT_EQ(Cli({"config", "get", "noSuchSetting"}).status, kExitUsage);
    EXPECT_EQ(Cli({"config", "set", "noSuchSetting", "1"}).status, kExitUsage);
    EXPECT_EQ(Cli({"config", "frob"}).status, kExitUsage);
    EXPECT_EQ(Cli({"config"}).status, kExitUsage);

    const CliRun list = Cli({"config", "list"});
    EXPECT_EQ(list.status, kExitOk);
    EXPECT_NE(list.out.find("numThreads=7\n"), std::string::npos);
    EXPECT_NE(list.out.find("smtpServer=mail.test\n"), std::string::npos);
    // What a reader would get: the default for a value not stored, the nearest allowed for one out of range.
    EXPECT_NE(list.out.find("confirmDeletes=0\n"), std::string::npos);
    CVigilPrefs::GetInstance().WriteInt("checkUnits", 9);
    EXPECT_NE(Cli({"config", "list"}).out.find("checkUnits=3\n"), std::string::npos);
    EXPECT_EQ(Cli({"config", "get", "checkUnits"}).out, "3\n");
    EXPECT_NE(list.out.find("InstallDir=" + m_settings.StorageDir() + "\n"), std::string::npos);
}

TEST_F(CliTest, ConfigDirOptionChoosesTheSettings)
{
    CTempDir other;
    EXPECT_EQ(Cli({"--config-dir", other.Path(), "config", "set", "smtpPort", "2525"}).status, kExitOk);
    EXPECT_TRUE(FileExists(other.Path() + "settings.db"));
    EXPECT_EQ(Cli({"--config-dir=" + other.Path(), "config", "get", "smtpPort"}).out, "2525\n");
    EXPECT_EQ(Cli({"--config-dir", m_settings.ConfigDir(), "config", "get", "smtpPort"}).out, "25\n");
}

// The page-id counter cannot advance in a damaged settings file: the list still gives each page its
// own id, and each command says once why the settings are not kept.
TEST_F(CliTest, DamagedSettingsAreSaidOnceAndPagesStillGetTheirOwnIds)
{
    CTempDir damaged;
    WriteFileBytes(damaged.Path() + "settings.db", "this is not a database, just some text that is long enough");
    std::vector<std::string> added;
    for (const char* url : {"http://a.example.test/", "http://b.example.test/"}) {
        const CliRun run = Cli({"--config-dir", damaged.Path(), "add", url});
        EXPECT_EQ(run.status, kExitOk) << run.err;
        EXPECT_NE(run.err.find("warning: the settings file " + damaged.Path() + "settings.db cannot be used"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("warning:"), run.err.rfind("warning:")) << run.err;
        added.push_back(run.out);
    }
    EXPECT_EQ(added[0].substr(0, 13), "Added page @1");
    EXPECT_EQ(added[1].substr(0, 13), "Added page @2");
}

TEST_F(CliTest, TakingTheLockRemovesTemporaryFilesOfKilledSaves)
{
    const std::string folder = m_settings.StorageDir();
    const std::string pages = folder + "savedPages/";
    std::filesystem::create_directories(pages);
    const std::vector<std::string> stale
        = {folder + "siteVigil.dat.a1B2c3", folder + "siteVigilUpdateLog.dat.XyZ789", pages + "1f.html.part"};
    const std::vector<std::string> kept
        = {folder + "siteVigil.dat.bak", folder + "notes.txt.a1B2c3", pages + "1f.html", pages + "notes.part"};
    for (const auto& path : stale)
        WriteFileBytes(path, "x");
    for (const auto& path : kept)
        WriteFileBytes(path, "x");
    ASSERT_EQ(Cli({"list"}).status, kExitOk);
    EXPECT_TRUE(FileExists(stale[0])) << "a command that takes no lock leaves them";
    ASSERT_EQ(Cli({"add", "http://a.test/"}).status, kExitOk);
    for (const auto& path : stale)
        EXPECT_FALSE(FileExists(path)) << path;
    for (const auto& path : kept)
        EXPECT_TRUE(FileExists(path)) << path;
}

} // namespace
