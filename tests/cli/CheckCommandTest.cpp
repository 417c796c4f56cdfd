#include "HttpTestServer.h"
#include "SmtpTestServer.h"
#include "TestEnv.h"
#include "cli/CliApp.h"
#include "model/PrefKeys.h"
#include "model/SiteVigilDoc.h"
#include "model/VigilPrefs.h"
#include "notify/UpdateLog.h"
#include "run/ControlChannel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

void SetInt(const IntPref& key, int value)
{
    CVigilPrefs::GetInstance().WriteInt(key.name, value);
}

void SetText(const TextPref& key, const std::string& value)
{
    CVigilPrefs::GetInstance().WriteString(key.name, value);
}

std::string Summary(int records, int newChanges, int total)
{
    return "Completed checking " + std::to_string(records) + " URLs.\n" + std::to_string(newChanges) + " new changes.\n"
        + std::to_string(total) + " changes total.\n";
}

class CheckCommand : public testing::Test
{
protected:
    CIsolatedSettings settings;
    CHttpTestServer server;
};

TEST_F(CheckCommand, ChecksNotifiesByMailAndKeepsTheLog)
{
    CSmtpTestServer smtp;
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::emailAddress, "vigil@example.test");
    SetText(Pref::emailRecipients, "user@example.test");
    SetText(Pref::emailUsername, "Site Vigil");
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, smtp.Port());

    server.SetPage("/news", "<html><body>first edition</body></html>");
    ASSERT_EQ(Cli({"add", server.Url("/news"), "--name", "News", "--watch", "content", "--compare", "page"}).status, kExitOk);

    // The first check has nothing to compare with: no change, no mail.
    CliResult first = Cli({"check"});
    EXPECT_EQ(first.status, kExitOk) << first.err;
    EXPECT_EQ(first.out, Summary(1, 0, 0));
    ASSERT_TRUE(smtp.WaitIdle());
    EXPECT_EQ(smtp.Messages().size(), 0u);

    server.SetPage("/news", "<html><body>second edition</body></html>");
    CliResult second = Cli({"check", "News"});
    EXPECT_EQ(second.status, kExitOk) << second.err;
    EXPECT_EQ(second.out, Summary(1, 1, 1) + "Changed: @1 News (" + server.Url("/news") + "): Checksum changed\n");
    ASSERT_TRUE(smtp.WaitIdle());
    ASSERT_EQ(smtp.Messages().size(), 1u);
    EXPECT_NE(smtp.Messages()[0].data.find(server.Url("/news")), std::string::npos);

    // Unchanged: still marked, nothing new, no mail; and the report still shows the change.
    CliResult third = Cli({"check"});
    EXPECT_EQ(third.status, kExitOk) << third.err;
    EXPECT_EQ(third.out, Summary(1, 0, 1));
    ASSERT_TRUE(smtp.WaitIdle());
    EXPECT_EQ(smtp.Messages().size(), 1u);
    const CliResult diff = Cli({"diff", "News"});
    ASSERT_EQ(diff.status, kExitOk) << diff.err;
    const std::string report = ReadFileBytes(diff.out.substr(0, diff.out.size() - 1));
    EXPECT_NE(report.find("1 changes between the files."), std::string::npos) << report;
    EXPECT_EQ(server.RequestCount("/news"), 3);

    // The update log holds the run that found something.
    CUpdateLog log(settings.StorageDir());
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.Entries().size(), 1u);
    EXPECT_TRUE(FileExists(log.GetPagePath()));

    // The results were saved with the list.
    CSiteVigilDoc doc;
    ASSERT_TRUE(doc.LoadDefault().ok());
    ASSERT_EQ(doc.Records().size(), 1u);
    EXPECT_EQ(doc.Records().front()->m_nChecks, 3);
    EXPECT_TRUE(doc.Records().front()->m_bChanged);
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt(Pref::totalUrlsChecked), 1);
}

TEST_F(CheckCommand, CopyThatCannotBeSavedGivesExitStatusOne)
{
    server.SetPage("/page", "page");
    ASSERT_EQ(Cli({"add", server.Url("/page"), "--name", "Page"}).status, kExitOk);
    // A file where the saved-pages folder should be: no copy can be written.
    WriteFileBytes(settings.StorageDir() + "savedPages", "in the way");
    const CliResult checked = Cli({"check"});
    EXPECT_EQ(checked.status, kExitFailed);
    EXPECT_NE(checked.err.find("Page (@1): cannot save the page copy"), std::string::npos) << checked.err;
}

TEST_F(CheckCommand, FailedDownloadGivesExitStatusOneAndNamesThePage)
{
    server.SetPage("/fine", "fine");
    server.SetPage("/gone", CHttpTestServer::Response{404, "not here", {}});
    ASSERT_EQ(Cli({"add", server.Url("/fine"), "--name", "Fine"}).status, kExitOk);
    ASSERT_EQ(Cli({"add", server.Url("/gone"), "--name", "Gone"}).status, kExitOk);

    CliResult all = Cli({"check"});
    EXPECT_EQ(all.status, kExitFailed);
    EXPECT_EQ(all.out, Summary(2, 0, 0));
    EXPECT_NE(all.err.find("sitevigil-cli: check: Gone (@2): "), std::string::npos) << all.err;
    EXPECT_EQ(all.err.find("Fine"), std::string::npos) << all.err;

    // Only the named page is checked.
    CliResult one = Cli({"check", "1"});
    EXPECT_EQ(one.status, kExitOk) << one.err;
    EXPECT_EQ(server.RequestCount("/fine"), 2);
    EXPECT_EQ(server.RequestCount("/gone"), 1);

    EXPECT_EQ(Cli({"check", "Nowhere"}).status, kExitUsage);
    EXPECT_EQ(Cli({"check", "--fast"}).status, kExitUsage);
}

TEST_F(CheckCommand, DiffShowsWhatChangedAndTheLogKeepsIt)
{
    server.SetPage("/news", "<p>\nalpha\nbeta\ngamma\ndelta\n</p>\n");
    ASSERT_EQ(Cli({"add", server.Url("/news"), "--name", "News", "--watch", "content", "--compare", "page"}).status, kExitOk);
    ASSERT_EQ(Cli({"check"}).status, kExitOk);
    server.SetPage("/news", "<P>\nalpha\nbeta two\ngamma\ndelta\n</p>\nepsilon\n");

    const CliResult checked = Cli({"check", "--diff"});
    ASSERT_EQ(checked.status, kExitOk) << checked.err;
    const std::string pages = settings.StorageDir() + "savedPages/";
    const std::string diff = "--- " + pages + "1_previous.html\n+++ " + pages
        + "1.html\n@@ -1,6 +1,7 @@\n <P>\n alpha\n"
          "-beta\n+beta two\n gamma\n delta\n </p>\n+epsilon\n";
    EXPECT_EQ(checked.out,
              Summary(1, 1, 1) + "Changed: @1 News (" + server.Url("/news") + "): Checksum changed\n\n" + diff);
    const CliResult text = Cli({"diff", "@1", "--text"});
    EXPECT_EQ(text.status, kExitOk) << text.err;
    EXPECT_EQ(text.out, diff);

    // The log gives the newest change first, one tab-separated line each.
    server.SetPage("/news", "<P>\nalpha\nbeta three\n");
    ASSERT_EQ(Cli({"check"}).status, kExitOk);
    const CliResult log = Cli({"log"});
    EXPECT_EQ(log.status, kExitOk) << log.err;
    std::istringstream lines(log.out);
    std::vector<std::string> entries;
    for (std::string line; std::getline(lines, line);)
        entries.push_back(line);
    ASSERT_EQ(entries.size(), 2u) << log.out;
    for (const std::string& entry : entries) {
        EXPECT_EQ(entry.substr(16), "\tNews\t" + server.Url("/news") + "\tChecksum changed") << entry;
        EXPECT_EQ(entry[4], '-');
    }
    EXPECT_GE(entries[0].substr(0, 16), entries[1].substr(0, 16));
    EXPECT_EQ(Cli({"log", "--html"}).out, settings.StorageDir() + "siteVigilUpdateLog.htm\n");
}

TEST_F(CheckCommand, FailedClosingStepGivesExitStatusOne)
{
    server.SetPage("/page", "one");
    ASSERT_EQ(Cli({"add", server.Url("/page"), "--name", "Page", "--watch", "content", "--compare", "page"}).status, kExitOk);
    ASSERT_EQ(Cli({"check"}).status, kExitOk);
    server.SetPage("/page", "two");

    // The mail server turns the message away: the page was checked, but the user was not told.
    CSmtpTestServer smtp;
    smtp.SetReply("MAIL", "554 no\r\n");
    SetInt(Pref::sendEmail, 1);
    SetText(Pref::emailAddress, "vigil@example.test");
    SetText(Pref::emailRecipients, "user@example.test");
    SetText(Pref::emailUsername, "Site Vigil");
    SetText(Pref::smtpServer, "127.0.0.1");
    SetInt(Pref::smtpPort, smtp.Port());
    CliResult mail = Cli({"check"});
    EXPECT_EQ(mail.status, kExitFailed);
    EXPECT_NE(mail.err.find("Couldn't send message!"), std::string::npos) << mail.err;
    SetInt(Pref::sendEmail, 0);

    // The update log page cannot be written where a folder stands in its place.
    server.SetPage("/page", "three");
    const std::string page = settings.StorageDir() + "siteVigilUpdateLog.htm";
    ::unlink(page.c_str());
    ASSERT_EQ(::mkdir(page.c_str(), 0700), 0);
    CliResult log = Cli({"check"});
    EXPECT_EQ(log.status, kExitFailed);
    EXPECT_NE(log.err.find("The update log page could not be saved"), std::string::npos) << log.err;
}

// The daemon runs as its own process, so that signals reach it as they would in service.
class Daemon : public CheckCommand
{
protected:
    void SetUp() override
    {
        char self[PATH_MAX] = {};
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        ASSERT_GT(length, 0);
        std::string dir(self, static_cast<size_t>(length));
        dir.erase(dir.rfind('/'));
        m_program = dir + "/../src/cli/sitevigil-cli";
        if (access(m_program.c_str(), X_OK) != 0)
            GTEST_SKIP() << "sitevigil-cli is not built at " << m_program;
        m_output = m_files.Path() + "daemon.out";
    }
    void TearDown() override
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    void Start()
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        std::string name = "sitevigil-cli";
        std::string command = "daemon";
        char* argv[] = {name.data(), command.data(), nullptr};
        std::remove(m_output.c_str());
        ASSERT_EQ(posix_spawn(&m_pid, m_program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    bool WaitForOutput(const std::string& text)
    {
        for (int i = 0; i < 400; ++i) {
            if (ReadFileBytes(m_output).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Sends the signal and returns the exit status, or -1 when the daemon did not exit normally.
    int StopWith(int signal)
    {
        kill(m_pid, signal);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Output() const { return ReadFileBytes(m_output); }

    CTempDir m_files;
    std::string m_program;
    std::string m_output;
    pid_t m_pid = -1;
};

TEST_F(Daemon, ChecksOnTheScheduleAndSavesOnSigterm)
{
    SetInt(Pref::autoCheck, 1);
    SetInt(Pref::checkFrequency, 1);
    SetInt(Pref::checkUnits, 0);
    server.SetPage("/page", "content");
    ASSERT_EQ(Cli({"add", server.Url("/page"), "--name", "Page", "--watch", "content", "--compare", "page"}).status, kExitOk);
    ASSERT_EQ(Cli({"add", server.Url("/gone"), "--name", "Gone"}).status, kExitOk);

    Start();
    ASSERT_TRUE(WaitForOutput("Completed checking 2 URLs.")) << Output();
    // Each change and each failure gets a line of its own.
    server.SetPage("/page", "new content");
    EXPECT_TRUE(WaitForOutput(" Changed: @1 Page (" + server.Url("/page") + "): Checksum changed\n")) << Output();
    EXPECT_TRUE(WaitForOutput(" Failed: @2 Gone (" + server.Url("/gone") + "): ")) << Output();
    // The list is in the daemon's hands: a second writer is refused.
    EXPECT_EQ(Cli({"check"}).status, kExitFailed);

    EXPECT_EQ(StopWith(SIGTERM), 0) << Output();
    EXPECT_NE(Output().find("Scheduled check started..."), std::string::npos) << Output();
    EXPECT_NE(Output().find("Stopped; the list was saved"), std::string::npos) << Output();
    CSiteVigilDoc doc;
    ASSERT_TRUE(doc.LoadDefault().ok());
    ASSERT_EQ(doc.Records().size(), 2u);
    EXPECT_GE(doc.Records().front()->m_nChecks, 1);
}

TEST_F(Daemon, SigintStopsARunInProgressAndExitsCleanly)
{
    // Shared with the server's thread, which may still be leaving the handler when the test ends.
    struct Hold
    {
        std::mutex lock;
        std::condition_variable released;
        bool release = false;
    };
    auto hold = std::make_shared<Hold>();
    server.SetHandler("/slow", [hold](const CHttpTestServer::Request&) {
        std::unique_lock<std::mutex> guard(hold->lock);
        hold->released.wait_for(guard, std::chrono::seconds(20), [&] { return hold->release; });
        return CHttpTestServer::Response{200, "slow", {}};
    });
    SetInt(Pref::autoCheck, 1);
    SetInt(Pref::checkFrequency, 1);
    SetInt(Pref::checkUnits, 0);
    ASSERT_EQ(Cli({"add", server.Url("/slow"), "--name", "Slow"}).status, kExitOk);

    Start();
    ASSERT_TRUE(WaitForOutput("Scheduled check started...")) << Output();
    for (int i = 0; i < 200 && server.RequestCount("/slow") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(StopWith(SIGINT), 0) << Output();
    {
        std::lock_guard<std::mutex> guard(hold->lock);
        hold->release = true;
    }
    hold->released.notify_all();
    EXPECT_EQ(Output().find("Completed checking"), std::string::npos) << Output();
    EXPECT_NE(Output().find("Stopped; the list was saved"), std::string::npos) << Output();
}

} // namespace

namespace {

// What another user gets from the daemon's socket: the bytes of the answer, or "connect failed".
std::string AskAsNobody(const std::string& socketPath)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            (void)!write(pipeFds[1], "connect failed", 14);
            _exit(0);
        }
        ControlRequest remove;
        remove.verb = ControlVerb::Remove;
        remove.pages = {"1"};
        const std::string request = EncodeControlRequest(remove);
        (void)!send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        shutdown(fd, SHUT_WR);
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            (void)!write(pipeFds[1], buffer, static_cast<size_t>(n));
        _exit(0);
    }
    close(pipeFds[1]);
    std::string answer;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        answer.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : "child failed";
}

} // namespace

TEST_F(Daemon, TakesChangesFromTheCommandLineAndOnlyFromItsOwner)
{
    server.SetPage("/a", "one");
    server.SetPage("/b", "<p>\nfirst\n</p>\n");
    ASSERT_EQ(Cli({"add", server.Url("/a"), "--name", "A"}).status, kExitOk);
    Start();
    ASSERT_TRUE(WaitForOutput("Watching 1 page")) << Output();

    // Handed over: the daemon applies, saves and answers, instead of the lock refusing the change.
    const CliResult added = Cli({"add", server.Url("/b"), "--name", "B", "--watch", "content", "--compare", "page"});
    ASSERT_EQ(added.status, kExitOk) << added.err;
    EXPECT_EQ(added.out, "Added page @2 (position 2): B\n");
    EXPECT_TRUE(WaitForOutput("Handed over by sitevigil-cli: add")) << Output();
    {
        CSiteVigilDoc saved;
        ASSERT_TRUE(saved.LoadDefault().ok());
        EXPECT_EQ(saved.Records().size(), 2u);
    }
    EXPECT_EQ(Cli({"edit", "B", "--name", "Bee"}).status, kExitOk);
    const CliResult list = Cli({"list"});
    EXPECT_NE(list.out.find("\tBee\t"), std::string::npos) << list.out;
    const CliResult checked = Cli({"check", "Bee"});
    EXPECT_EQ(checked.status, kExitOk) << checked.err;
    EXPECT_EQ(checked.out, "Checked 1 page in the running daemon.\n");
    server.SetPage("/b", "<p>\nsecond\n</p>\n");
    const CliResult diff = Cli({"check", "--diff"});
    EXPECT_EQ(diff.status, kExitOk) << diff.err;
    EXPECT_NE(diff.out.find("Changed: @2 Bee (" + server.Url("/b") + "): Checksum changed\n\n--- "), std::string::npos)
        << diff.out;
    EXPECT_NE(diff.out.find("\n-first\n+second\n"), std::string::npos) << diff.out;
    EXPECT_EQ(Cli({"remove", "nine"}).status, kExitUsage);

    // Another user gets nothing, even where the file permissions would let them in.
    const std::string socketPath = ControlSocketPath(settings.StorageDir()).value();
    if (geteuid() == 0) {
        EXPECT_EQ(AskAsNobody(socketPath), "connect failed");
        chmod(settings.StorageDir().c_str(), 0711);
        chmod(socketPath.c_str(), 0666);
        EXPECT_EQ(AskAsNobody(socketPath), "");
    }

    EXPECT_EQ(StopWith(SIGTERM), 0) << Output();
    EXPECT_FALSE(FileExists(socketPath));
    CSiteVigilDoc doc;
    ASSERT_TRUE(doc.LoadDefault().ok());
    ASSERT_EQ(doc.Records().size(), 2u);
    // Without the daemon the commands work on the file again.
    EXPECT_EQ(Cli({"remove", "Bee"}).out, "Removed 1 page\n");
}

// A bookmarks file near the size cap (fewer, longer links) handed over to the running daemon: it is
// imported while the daemon goes on serving, and the list of all its pages comes out whole.
TEST_F(Daemon, HugeImportAndListWhileItRuns)
{
    server.SetPage("/a", "one");
    ASSERT_EQ(Cli({"add", server.Url("/a"), "--name", "A"}).status, kExitOk);
    constexpr size_t kLinks = 20000;
    const std::string longName(2900, 'n');
    std::string html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (size_t i = 0; i < kLinks; ++i)
        html += "<DT><A HREF=\"http://site.test/" + std::to_string(i) + "\">" + longName + "</A>\n";
    const std::string file = m_files.Path() + "bookmarks.html";
    WriteFileBytes(file, html);
    ASSERT_GT(html.size(), 55u << 20);
    Start();
    ASSERT_TRUE(WaitForOutput("Watching 1 page")) << Output();

    const CliResult imported = Cli({"import-bookmarks", file});
    ASSERT_EQ(imported.status, kExitOk) << imported.err;
    EXPECT_NE(imported.out.find("Imported 20000 pages"), std::string::npos) << imported.out;
    const CliResult list = Cli({"list"});
    ASSERT_EQ(list.status, kExitOk) << list.err;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), static_cast<long>(kLinks + 1));
    EXPECT_GT(list.out.size(), kLinks * longName.size());
    EXPECT_EQ(StopWith(SIGTERM), 0) << Output();
}
