#include "HttpTestServer.h"
#include "PythonPeer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/Notice.h"
#include "notify/Outbox.h"
#include "platform/Clock.h"
#include "platform/FolderLock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

struct CliResult
{
    int status;
    std::string out;
    std::string err;
};

CliResult Cli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class ChannelsCommand : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(peer.Ready()); }

    CIsolatedSettings settings;
    CWebhookPeer peer;
};

TEST_F(ChannelsCommand, AddListTestAndRemove)
{
    const CliResult added
        = Cli({"channels", "add", "ntfy://" + peer.Base() + "/alerts?token=s3cret", "--events", "changes,failures"});
    ASSERT_EQ(added.status, kExitOk) << added.err;
    EXPECT_EQ(added.out, "Added the channel \"ntfy 127.0.0.1\" (changes,failures).\n");
    ASSERT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/status/404", "--name", "Broken"}).status, kExitOk);
    // Refused: a name taken (names compare without case), the e-mail's name, an address that is no channel.
    EXPECT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/x", "--name", "broken"}).status, kExitUsage);
    EXPECT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/x", "--name", "Email"}).status, kExitUsage);
    EXPECT_EQ(Cli({"channels", "add", "mailto:ann@example.test"}).status, kExitUsage);
    EXPECT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/x", "--events", "all"}).status, kExitUsage);

    const CliResult list = Cli({"channels", "list"});
    ASSERT_EQ(list.status, kExitOk);
    EXPECT_TRUE(
        Has(list.out, "ntfy 127.0.0.1\ton\tchanges,failures\tntfy://" + peer.Base() + "/alerts?token=***\tnever"))
        << list.out;
    EXPECT_FALSE(Has(list.out, "s3cret"));

    const CliResult tested = Cli({"channels", "test", "NTFY 127.0.0.1"});
    EXPECT_EQ(tested.status, kExitOk) << tested.err;
    EXPECT_EQ(tested.out, "Test message delivered to \"ntfy 127.0.0.1\": HTTP 200\n");
    ASSERT_EQ(peer.Requests().size(), 1u);
    EXPECT_EQ(CWebhookPeer::Header(peer.Requests()[0], "authorization"), "Bearer s3cret");
    const CliResult refused = Cli({"channels", "test", "Broken"});
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_TRUE(Has(refused.err, "HTTP 404: Refused by the test peer")) << refused.err;

    EXPECT_EQ(Cli({"channels", "remove", "nothing"}).status, kExitUsage);
    EXPECT_EQ(Cli({"channels", "remove", "Broken"}).status, kExitOk);
    EXPECT_EQ(Cli({"channels", "remove", "ntfy 127.0.0.1"}).status, kExitOk);
    EXPECT_EQ(Cli({"channels", "list"}).out, "No channels (add one with sitevigil-cli channels add URL).\n");
}

TEST_F(ChannelsCommand, CheckDeliversAndCountsAFailedDeliveryInItsExitStatus)
{
    CHttpTestServer site;
    site.SetPage("/page", "first");
    ASSERT_EQ(Cli({"add", site.Url("/page"), "--name", "Page", "--watch", "content"}).status, kExitOk);
    ASSERT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/hook", "--name", "Hook"}).status, kExitOk);
    ASSERT_EQ(Cli({"check"}).status, kExitOk);
    site.SetPage("/page", "second");
    const CliResult changed = Cli({"check"});
    EXPECT_EQ(changed.status, kExitOk) << changed.err;
    ASSERT_EQ(peer.Requests().size(), 1u);
    const nlohmann::json sent = nlohmann::json::parse(peer.Requests()[0].body);
    EXPECT_EQ(sent["pages"][0]["name"], "Page");
    EXPECT_EQ(sent["pages"][0]["address"], site.Url("/page"));
    EXPECT_TRUE(Has(sent["pages"][0]["diff"], "+second")) << sent.dump();

    // A channel that refuses: the check fails, the notification waits in the outbox.
    ASSERT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/status/500", "--name", "Down"}).status, kExitOk);
    site.SetPage("/page", "third");
    const CliResult failed = Cli({"check"});
    EXPECT_EQ(failed.status, kExitFailed);
    EXPECT_TRUE(Has(failed.err, "The notification to the channel \"Down\" failed: HTTP 500")) << failed.err;
    EXPECT_TRUE(Has(failed.err, "1 notification still pending in the outbox")) << failed.err;
    const nlohmann::json outbox = nlohmann::json::parse(Cli({"outbox", "--json"}).out);
    ASSERT_EQ(outbox.size(), 3u);
    EXPECT_EQ(outbox[0]["channel"], "Down");
    EXPECT_EQ(outbox[0]["state"], "pending");
    EXPECT_EQ(outbox[0]["attempts"], 1);
    EXPECT_EQ(outbox[0]["lastError"], "HTTP 500: Refused by the test peer");
    EXPECT_EQ(outbox[1]["state"], "delivered");
    EXPECT_TRUE(Has(Cli({"channels", "list"}).out, "\tdelivered ")) << Cli({"channels", "list"}).out;

    const CliResult retried = Cli({"outbox", "retry", std::to_string(outbox[0]["id"].get<int>())});
    EXPECT_EQ(retried.status, kExitFailed);
    EXPECT_TRUE(Has(retried.err, "HTTP 500")) << retried.err;
    EXPECT_EQ(nlohmann::json::parse(Cli({"outbox", "--json"}).out)[0]["attempts"], 2);
    EXPECT_EQ(Cli({"outbox", "retry", "999"}).status, kExitUsage);
    EXPECT_EQ(Cli({"outbox", "retry", "x"}).status, kExitUsage);

    // A lock that cannot be taken at all is no running program to leave the delivery to.
    const std::string lockPath = CVigilPrefs::GetInstance().GetStorageFolder() + CFolderLock::kLockFileName;
    ::unlink(lockPath.c_str());
    ASSERT_EQ(::mkdir(lockPath.c_str(), 0700), 0);
    const CliResult unlocked = Cli({"outbox", "retry"});
    EXPECT_EQ(unlocked.status, kExitFailed);
    EXPECT_TRUE(Has(unlocked.err, "cannot create the lock file")) << unlocked.err;
    EXPECT_FALSE(Has(unlocked.out, "the running program delivers")) << unlocked.out;
}

// The daemon as its own process, killed as a crash would.
class OutboxDaemon : public ChannelsCommand
{
protected:
    void SetUp() override
    {
        ChannelsCommand::SetUp();
        char self[PATH_MAX] = {};
        const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(length, 0);
        std::string dir(self, static_cast<size_t>(length));
        dir.erase(dir.rfind('/'));
        m_program = dir + "/../src/cli/sitevigil-cli";
        if (access(m_program.c_str(), X_OK) != 0)
            GTEST_SKIP() << "sitevigil-cli is not built at " << m_program;
    }
    void TearDown() override { Stop(SIGKILL); }
    void Start()
    {
        std::string name = "sitevigil-cli";
        std::string command = "daemon";
        char* argv[] = {name.data(), command.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&m_pid, m_program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    void Stop(int signal)
    {
        if (m_pid > 0) {
            kill(m_pid, signal);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    bool WaitFor(const std::function<bool()>& done)
    {
        for (int i = 0; i < 400; ++i) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string m_program;
    pid_t m_pid = -1;
};

TEST_F(OutboxDaemon, RowsLeftByAKilledProgramAreDeliveredOnceByTheNextStart)
{
    ASSERT_EQ(Cli({"channels", "add", "json://" + peer.Base() + "/hook", "--name", "Hook"}).status, kExitOk);
    // A daemon killed after its run's end wrote the outbox and before it delivered leaves this behind.
    OutboxRow row;
    row.channel = "Hook";
    row.event = kEventChanges;
    row.pages = "Page";
    row.payload = NoticeToJson(
        Notice{kEventChanges, Clock::Now(), {NoticePage{"Page", "http://p.test/", "1", "Checksum changed", 0, {}}}});
    const int64_t id = COutbox(settings.StorageDir()).Add({row}, Clock::Now()).value().front();
    Start();
    ASSERT_TRUE(WaitFor([&] { return COutbox(settings.StorageDir()).Get(id).value().state == kStateDelivered; }));
    Stop(SIGTERM);
    Start();
    // The next daemon's first pass runs at its start; give it the moment it takes.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Stop(SIGTERM);
    EXPECT_EQ(peer.Requests().size(), 1u);
    EXPECT_EQ(COutbox(settings.StorageDir()).Get(id).value().attempts, 1);
}

} // namespace
