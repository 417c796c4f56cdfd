#include "notify/ChangeEmail.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"

#include "SmtpTestServer.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Writes each message it accepts as N.env (MAIL FROM, then one RCPT address a line) and N.eml (the
// message as received, dots un-stuffed).
const char* const kHandlerScript = R"(import asyncio, os, sys
from aiosmtpd.controller import Controller

out = sys.argv[2]
count = 0

class Keep:
    async def handle_DATA(self, server, session, envelope):
        global count
        count += 1
        with open(os.path.join(out, '%d.eml' % count), 'wb') as f:
            f.write(envelope.original_content)
        with open(os.path.join(out, '%d.env' % count), 'w') as f:
            f.write(envelope.mail_from + '\n' + ''.join(r + '\n' for r in envelope.rcpt_tos))
        return '250 Message accepted for delivery'

controller = Controller(Keep(), hostname='127.0.0.1', port=int(sys.argv[1]))
controller.start()
try:
    sys.stdin.read()
finally:
    controller.stop()
)";

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool CanConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Debian's aiosmtpd on 127.0.0.1, started and stopped by the test.
class CAiosmtpdServer
{
public:
    CAiosmtpdServer()
    {
        m_port = FreePort();
        const std::string script = m_dir.Path() + "keep.py";
        WriteFileBytes(script, kHandlerScript);
        int input[2];
        if (::pipe(input) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_addclose(&actions, input[1]);
        const std::string port = std::to_string(m_port);
        const std::string out = m_dir.Path();
        const char* argv[] = {"/usr/bin/python3", script.c_str(), port.c_str(), out.c_str(), nullptr};
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(input[0]);
        m_stdin = input[1];
        for (int i = 0; i < 200 && m_pid > 0; ++i) {
            if (CanConnect(m_port)) {
                m_ready = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ~CAiosmtpdServer()
    {
        if (m_stdin >= 0)
            ::close(m_stdin); // the script stops when its input ends
        if (m_pid > 0) {
            for (int i = 0; i < 100; ++i) {
                if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    bool Ready() const { return m_ready; }
    int Port() const { return m_port; }
    std::string Message(int n) const { return ReadFileBytes(m_dir.Path() + std::to_string(n) + ".eml"); }
    std::string Envelope(int n) const { return ReadFileBytes(m_dir.Path() + std::to_string(n) + ".env"); }

private:
    CTempDir m_dir;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
    bool m_ready = false;
};

void StoreEmailSettings(const std::string& server, int port, const std::string& recipients)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    prefs.WriteString(Pref::emailUsername.name, "Jos\xC3\xA9 Watcher");
    prefs.WriteString(Pref::emailAddress.name, "watch@example.org");
    prefs.WriteString(Pref::smtpServer.name, server);
    prefs.WriteInt(Pref::smtpPort.name, port);
    prefs.WriteString(Pref::emailRecipients.name, recipients);
}

void AddRecord(std::vector<std::unique_ptr<Curl>>& records, const std::string& url, const std::string& reason)
{
    auto record = std::make_unique<Curl>();
    record->m_strURL = url;
    record->m_strName = url;
    if (!reason.empty()) {
        record->m_bChanged = true;
        record->m_strChangeReason = reason;
    }
    records.push_back(std::move(record));
}

TEST(ChangeEmail, ArrivesAtARealServer)
{
    CIsolatedSettings settings;
    CAiosmtpdServer server;
    if (!server.Ready())
        GTEST_SKIP() << "aiosmtpd could not be started with /usr/bin/python3 (package python3-aiosmtpd)";
    StoreEmailSettings("127.0.0.1", server.Port(), "Ann Smith <ann@example.org>; bob@example.org,,  ");

    std::vector<std::unique_ptr<Curl>> records;
    AddRecord(records, "http://a.example.org/", "Checksum changed");
    AddRecord(records, "http://b.example.org/", "");
    AddRecord(records, "http://c.example.org/", "Partial page change");
    AddRecord(records, "javascript:alert(1)//\r\n", "Checksum changed");
    EXPECT_EQ(SendChangeEmail(records), "");

    EXPECT_EQ(server.Envelope(1), "watch@example.org\nann@example.org\nbob@example.org\n");
    const std::string message = server.Message(1);
    const size_t split = message.find("\r\n\r\n");
    ASSERT_NE(split, std::string::npos) << message;
    const std::string header = message.substr(0, split + 2);
    const std::string body = message.substr(split + 4);
    EXPECT_EQ(header.rfind("From: =?iso-8859-1?q?Jos=E9_Watcher?= <watch@example.org>\r\n"
                           "To: Ann Smith <ann@example.org>,bob@example.org\r\n"
                           "Subject: Website Changes Detected\r\n"
                           "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\n"
                           "Date: ",
                           0),
              0u)
        << header;
    EXPECT_EQ(body,
              "This is an automated email\r\n"
              "Website changes have been detected\r\n"
              "http://a.example.org/   Changed - Checksum changed\r\n"
              "http://c.example.org/   Changed - Partial page change\r\n"
              "(not a web address) javascript:alert(1)//??   Changed - Checksum changed\r\n"
              "\r\n");
}

TEST(ChangeEmail, TestEmailWithStoredSettings)
{
    CIsolatedSettings settings;
    CAiosmtpdServer server;
    if (!server.Ready())
        GTEST_SKIP() << "aiosmtpd could not be started with /usr/bin/python3 (package python3-aiosmtpd)";
    StoreEmailSettings("localhost", server.Port(), "ann@example.org");
    EXPECT_EQ(SendTestEmail(), "Test email sent.\nCheck your email inbox to see if it worked\n");
    const std::string message = server.Message(1);
    EXPECT_EQ(message.substr(message.find("\r\n\r\n") + 4), "Test body\r\n");
}

TEST(ChangeEmail, FailuresGiveTheirMessages)
{
    CIsolatedSettings settings;
    CSmtpTestServer server;

    // A required setting left empty: nothing is tried.
    EmailPrefs values{"watch@example.org", "ann@example.org", "Watcher", 0, server.Port(), ""};
    EXPECT_EQ(SendTestEmail(values), "Email not sent - invalid email details");

    // A refused recipient shows the server's reply.
    server.SetRecipientReply("ann@example.org", "550 5.1.1 No such user\r\n");
    values.smtpServer = "127.0.0.1";
    EXPECT_EQ(SendTestEmail(values), "Couldn't send message!\nResponse:550 5.1.1 No such user");
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.ReceivedLines().back(), "QUIT");

    // The change e-mail reads a port that was never stored with its one default, stores it, and cannot
    // connect.
    std::vector<std::unique_ptr<Curl>> records;
    const std::string shown = SendChangeEmail(records);
    EXPECT_EQ(shown.rfind("Couldn't connect to server!, Error:", 0), 0u) << shown;
    EXPECT_EQ(CVigilPrefs::GetInstance().ReadInt(Pref::smtpPort.name, 99), Pref::smtpPort.def);
}

struct InjectionCase
{
    const char* userName;
    const char* recipients;
    const char* shown;
};

class HeaderInjectionTest : public testing::TestWithParam<InjectionCase>
{
};

TEST_P(HeaderInjectionTest, LineBreaksInSettingsSendNothing)
{
    CIsolatedSettings settings;
    CSmtpTestServer server;
    EmailPrefs values{"watch@example.org", GetParam().recipients, GetParam().userName, 0, server.Port(), "127.0.0.1"};
    EXPECT_EQ(SendTestEmail(values), GetParam().shown);
    EXPECT_EQ(server.Connections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HeaderInjectionTest,
    testing::Values(InjectionCase{"Eve\r\nBcc: victim@example.org", "ann@example.org",
                                  "Email not sent - line breaks are not allowed in the sender's name"},
                    InjectionCase{"Eve", "ann@example.org>\r\nRCPT TO:<victim@example.org",
                                  "Email not sent - line breaks are not allowed in a recipient"},
                    InjectionCase{"Eve", "Ann\nBcc: x <ann@example.org>",
                                  "Email not sent - line breaks are not allowed in a recipient"}));

} // namespace
