#include "notify/SMTPConnection.h"
#include "notify/MailMessage.h"

#include "SmtpTestServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

namespace {

using Server = CSmtpTestServer;

// Keeps the failure texts that the client reports.
class CRecordingConnection : public CSMTPConnection
{
public:
    CRecordingConnection()
    {
        SetHeloHostName("tester");
        SetResponseTimeout(2000);
    }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    bool Reported(const std::string& text) const
    {
        return std::find(errors.begin(), errors.end(), text) != errors.end();
    }

    std::vector<std::string> errors;
};

CMailMessage MakeMessage(const std::string& recipients, const std::string& body = "Line one\nLine two\n")
{
    CMailMessage message;
    message.m_From = CMailAddress("Site Watcher", "watch@example.org");
    message.m_strSubject = "Website Changes Detected";
    message.AddRecipientList(recipients);
    message.SetBodyText(body);
    return message;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SmtpConnection, WholeExchangeWithAWellBehavedServer)
{
    Server server;
    {
        CRecordingConnection connection;
        ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
        EXPECT_TRUE(connection.IsConnected());
        EXPECT_EQ(connection.LastReplyText(), "250 localhost");
        ASSERT_TRUE(connection.SendMessage(MakeMessage("a@example.org; B <b@example.org>", ".dot\nend\n")));
        EXPECT_TRUE(connection.Disconnect());
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_TRUE(connection.errors.empty());
    }
    ASSERT_TRUE(server.WaitIdle());

    const std::string received = server.Received();
    EXPECT_EQ(received.rfind("HELO tester\r\nMAIL FROM:<watch@example.org>\r\n"
                             "RCPT TO:<a@example.org>\r\nRCPT TO:<b@example.org>\r\nDATA\r\n"
                             "From: Site Watcher <watch@example.org>\r\n",
                             0),
              0u)
        << received;
    // Header, blank line, the dot-stuffed body, then the marker after an empty line of its own.
    EXPECT_NE(received.find("\r\n\tcharset=iso-8859-1\r\nDate: "), std::string::npos);
    EXPECT_NE(received.find("\r\n\r\n..dot\r\nend\r\n\r\n.\r\nQUIT\r\n"), std::string::npos) << received;
    EXPECT_EQ(received.substr(received.size() - 6), "QUIT\r\n");
    ASSERT_EQ(server.Messages().size(), 1u);
}

TEST(SmtpConnection, AutoHeloNameIsTheLocalHostName)
{
    Server server;
    CSMTPConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(connection.HeloHostName(), CMailSocket::LocalHostName());
    EXPECT_NE(connection.HeloHostName(), "auto");
    connection.Disconnect();
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.ReceivedLines().at(0), "HELO " + CMailSocket::LocalHostName());
}

TEST(SmtpConnection, RefusedGreetingStillSaysQuit)
{
    Server server;
    server.SetReply("GREETING", "554 5.3.2 not now\r\n");
    CRecordingConnection connection;
    EXPECT_FALSE(connection.Connect(server.Host(), server.Port()));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Protocol);
    EXPECT_TRUE(connection.Reported("CSMTPConnection::Connect, An unexpected SMTP login response was received"));
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.Received(), "QUIT\r\n");
}

TEST(SmtpConnection, RefusedHeloFailsTheConnect)
{
    Server server;
    server.SetReply("HELO", "501 bad name\r\n");
    CRecordingConnection connection;
    EXPECT_FALSE(connection.Connect(server.Host(), server.Port()));
    EXPECT_TRUE(connection.Reported("CSMTPConnection::Connect, An unexpected HELO/EHLO response was received"));
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.Received(), "HELO tester\r\nQUIT\r\n");
}

TEST(SmtpConnection, MultiLineRepliesArrivingInPiecesAreReadWhole)
{
    Server server;
    // The first piece of each reply ends exactly at a line end: the reader must still wait for the
    // last line, or the rest would be taken as the answer to the next command.
    server.SetScript({Server::SendPieces({"220-first greeting line\r\n", "220 second", " greeting line\r\n"}, 60),
                      Server::ReceiveLine(), Server::SendPieces({"250-first", " line\r\n", "250 second line\r\n"}, 60),
                      Server::ReceiveLine(), Server::SendText("250 sender ok\r\n"), Server::ReceiveLine(),
                      Server::SendText("554 no valid recipients\r\n"), Server::ReceiveLine(),
                      Server::SendText("221 bye\r\n")});
    CRecordingConnection connection;
    ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.LastReplyText(), "250-first line\r\n250 second line");

    // No usable recipient: MAIL, then DATA without any RCPT.
    EXPECT_FALSE(connection.SendMessage(MakeMessage(" ; ,")));
    EXPECT_EQ(connection.LastReplyText(), "554 no valid recipients");
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Protocol);
    EXPECT_TRUE(connection.Reported("CSMTPConnection::SendMessage, An unexpected DATA response was received"));
    EXPECT_TRUE(connection.Disconnect());
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.Received(), "HELO tester\r\nMAIL FROM:<watch@example.org>\r\nDATA\r\nQUIT\r\n");
}

struct ReplyCase
{
    const char* reply;
    int expected;
    bool ok;
    const char* kept;
    int code;
};

class ReplyLinesTest : public testing::TestWithParam<ReplyCase>
{
};

TEST_P(ReplyLinesTest, AnyLineWithTheExpectedCodeSucceeds)
{
    const ReplyCase& c = GetParam();
    Server server;
    // The pause keeps the reply apart from the HELO answer, which the client reads first.
    server.SetScript({Server::SendText("220 hi\r\n"), Server::ReceiveLine(), Server::SendText("250 hello\r\n"),
                      Server::Pause(200), Server::SendText(c.reply), Server::ReceiveLine(),
                      Server::SendText("221 bye\r\n")});
    CRecordingConnection connection;
    ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.AwaitReply(c.expected), c.ok);
    EXPECT_EQ(connection.LastReplyText(), c.kept);
    EXPECT_EQ(connection.LastResponseCode(), c.code);
    if (!c.ok) {
        EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Protocol);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyLinesTest,
    testing::Values(ReplyCase{"250 ok\r\n", 250, true, "250 ok", 250},
                    ReplyCase{"550-one\r\n551 two\r\n", 250, false, "551 two", 551},
                    ReplyCase{"550-one\r\n250 two\r\n", 250, true, "250 two", 250},
                    ReplyCase{"250-one\r\n250-two\r\n250 three\r\n", 250, true, "250-one\r\n250-two\r\n250 three", 250},
                    ReplyCase{"hello\r\n", 250, false, "hello", 0}, ReplyCase{"25\r\n", 250, false, "25", 25}));

TEST(SmtpConnection, LongReplyGrowsTheBufferInSteps)
{
    const std::string longLine = "250-" + std::string(4990, 'x') + "\r\n";
    Server server;
    server.SetScript({Server::SendText("220 hi\r\n"), Server::ReceiveLine(),
                      Server::SendText("250-" + std::string(300, 'h') + "\r\n250 done\r\n"), Server::Pause(200),
                      Server::SendText(longLine + "250 end\r\n"), Server::ReceiveLine(),
                      Server::SendText("221 bye\r\n")});
    CRecordingConnection connection;
    // A HELO reply longer than the 256-byte first buffer.
    ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.LastReplyText(), "250-" + std::string(300, 'h') + "\r\n250 done");

    std::vector<char> buffer(CSMTPConnection::kReplyBufferSize);
    ASSERT_TRUE(connection.ReadResponse(buffer, "\r\n", 250, CSMTPConnection::kReplyGrowthStep));
    // 5003 bytes need two steps of 4096 on top of the 256 bytes.
    EXPECT_EQ(buffer.size(), 256u + 2 * 4096u);
    EXPECT_EQ(connection.LastReplyText(), longLine + "250 end");
}

TEST(SmtpConnection, SilentServerTimesOut)
{
    Server server;
    server.SetScript({});
    CRecordingConnection connection;
    connection.SetResponseTimeout(200);
    EXPECT_FALSE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::TimedOut);
    EXPECT_TRUE(connection.Reported("CSMTPConnection::ReadResponse, Timed Out waiting for response from SMTP server"));
    EXPECT_TRUE(connection.Reported("CSMTPConnection::Connect, An unexpected SMTP login response was received"));
    // The QUIT goes out even so, and its missing answer is reported too.
    EXPECT_TRUE(connection.Reported("CSMTPConnection::Disconnect, An unexpected QUIT response was received"));
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.Received(), "QUIT\r\n");
}

// Hostile servers: every one fails the connect well within one response time-out, without growing
// the reply without bound and without waiting again for the QUIT's answer.
struct HostileCase
{
    const char* name;
    std::vector<Server::Step> script;
    unsigned sessionTimeoutMs;
    ErrorKind error;
};

class HostileServerTest : public testing::TestWithParam<HostileCase>
{
};

TEST_P(HostileServerTest, FailsWithinItsDeadline)
{
    Server server;
    server.SetScript(GetParam().script);
    CRecordingConnection connection;
    connection.SetResponseTimeout(600);
    connection.SetSessionTimeout(GetParam().sessionTimeoutMs);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.LastFailure().kind, GetParam().error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    EXPECT_LE(connection.LastReplyText().size(), CSMTPConnection::kMaxReplySize);
}

std::vector<std::string> Repeated(const std::string& piece, int count)
{
    return std::vector<std::string>(static_cast<size_t>(count), piece);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    testing::Values(
        HostileCase{"EndlessMultiLineReply",
                    {Server::SendPieces(Repeated("220-" + std::string(96, 'm') + "\r\n", 3000), 0)},
                    60000,
                    ErrorKind::Protocol},
        HostileCase{"ReplyWithoutLineEnd", {Server::SendText(std::string(100000, 'x'))}, 60000, ErrorKind::Protocol},
        HostileCase{"DrippedReply", {Server::SendPieces(Repeated("220-d\r\n", 60), 50)}, 60000, ErrorKind::TimedOut},
        HostileCase{"SlowSession",
                    {Server::Pause(300), Server::SendText("220 hi\r\n"), Server::ReceiveLine(), Server::Pause(400),
                     Server::SendText("250 ok\r\n")},
                    500,
                    ErrorKind::TimedOut}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmtpConnection, ConnectToAHostThatNeverAnswersTimesOut)
{
    // A listener whose backlog is full drops further connection requests unanswered.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::vector<CTcpSocket> fillers(4);
    for (CTcpSocket& filler : fillers)
        filler.Create() && filler.Connect("127.0.0.1", ntohs(address.sin_port), 200);

    CRecordingConnection connection;
    connection.SetResponseTimeout(300);
    EXPECT_FALSE(connection.Connect("127.0.0.1", ntohs(address.sin_port)));
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::TimedOut);
    ::close(listener);
}

TEST(SmtpConnection, ServerClosingMidReplyFails)
{
    Server server;
    server.SetScript(
        {Server::SendText("220 hi\r\n"), Server::ReceiveLine(), Server::SendText("250 par"), Server::Close()});
    CRecordingConnection connection;
    EXPECT_FALSE(connection.Connect(server.Host(), server.Port()));
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Network);
    EXPECT_FALSE(connection.IsConnected());
}

class RefusedRecipientTest : public testing::TestWithParam<const char*>
{
};

TEST_P(RefusedRecipientTest, EndsTheTransaction)
{
    Server server;
    server.SetRecipientReply("b@example.org", GetParam());
    CRecordingConnection connection;
    ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
    EXPECT_FALSE(connection.SendMessage(MakeMessage("a@example.org, b@example.org, c@example.org")));
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Protocol);
    EXPECT_EQ(connection.LastReplyText() + "\r\n", GetParam());
    EXPECT_EQ(connection.LastFailure().message.rfind("the server refused the recipient b@example.org (\"", 0), 0u);
    EXPECT_TRUE(connection.Reported("CSMTPConnection::SendRCPTForRecipient, An unexpected RCPT response was received"));
    connection.Disconnect();
    ASSERT_TRUE(server.WaitIdle());
    const auto lines = server.ReceivedLines();
    EXPECT_TRUE(Contains(lines, "RCPT TO:<b@example.org>"));
    EXPECT_FALSE(Contains(lines, "RCPT TO:<c@example.org>"));
    EXPECT_FALSE(Contains(lines, "DATA"));
    EXPECT_TRUE(server.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Replies, RefusedRecipientTest,
                         testing::Values("251 2.1.5 User not local; will forward\r\n", "550 5.1.1 No such user\r\n"));

TEST(SmtpConnection, RefusedEndOfDataAndMail)
{
    Server server;
    server.SetReply("END", "554 5.7.1 Rejected\r\n");
    {
        CRecordingConnection connection;
        ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
        EXPECT_FALSE(connection.SendMessage(MakeMessage("a@example.org")));
        EXPECT_EQ(connection.LastReplyText(), "554 5.7.1 Rejected");
        EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Protocol);
        EXPECT_TRUE(
            connection.Reported("CSMTPConnection::SendMessage, An unexpected end of message response was received"));
    }
    ASSERT_TRUE(server.WaitIdle());
    // The destructor says QUIT.
    EXPECT_EQ(server.ReceivedLines().back(), "QUIT");

    server.SetReply("MAIL", "553 sender refused\r\n");
    CRecordingConnection connection;
    ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
    EXPECT_FALSE(connection.SendMessage(MakeMessage("a@example.org")));
    EXPECT_TRUE(connection.Reported("CSMTPConnection::SendMessage, An unexpected MAIL response was received"));
}

TEST(SmtpConnection, LineBreakInAHeaderFieldSendsNothing)
{
    Server server;
    {
        CRecordingConnection connection;
        ASSERT_TRUE(connection.Connect(server.Host(), server.Port()));
        CMailMessage message = MakeMessage("a@example.org");
        message.m_strSubject = "Hi\r\nBcc: victim@example.org";
        EXPECT_FALSE(connection.SendMessage(message));
        EXPECT_EQ(connection.LastFailure().kind, ErrorKind::BadInput);
    }
    ASSERT_TRUE(server.WaitIdle());
    EXPECT_EQ(server.Received(), "HELO tester\r\nQUIT\r\n");
}

TEST(SmtpConnection, ConnectFailures)
{
    // A port that nobody listens on: take a free one and let it go.
    int closedPort;
    {
        Server probe;
        closedPort = probe.Port();
    }
    CRecordingConnection connection;
    EXPECT_FALSE(connection.Connect("127.0.0.1", closedPort));
    EXPECT_EQ(connection.LastFailure().kind, ErrorKind::Network);
    EXPECT_EQ(connection.LastFailure().message,
              "cannot connect to 127.0.0.1 port " + std::to_string(closedPort) + ": " + SystemErrorText(ECONNREFUSED));
    EXPECT_TRUE(connection.Reported("CSMTPConnection::Connect, Could not connect to the SMTP server 127.0.0.1 on port "
                                    + std::to_string(closedPort)
                                    + ", GetLastError returns: " + SystemErrorText(ECONNREFUSED)));
    EXPECT_FALSE(connection.IsConnected());

    // An empty server name cannot be looked up.
    CRecordingConnection unnamed;
    EXPECT_FALSE(unnamed.Connect("", 25));
    EXPECT_EQ(unnamed.LastFailure().kind, ErrorKind::Network);
    EXPECT_EQ(unnamed.LastFailure().message, "the server name \"\" cannot be found");
    // A port out of range is no name that failed to resolve.
    EXPECT_FALSE(unnamed.Connect("127.0.0.1", 70000));
    EXPECT_EQ(unnamed.LastFailure().message, "cannot connect to 127.0.0.1 port 70000: the port 70000 is not valid");

    CRecordingConnection idle;
    EXPECT_FALSE(idle.Disconnect());
    EXPECT_TRUE(idle.Reported("CSMTPConnection::Disconnect, Already disconnected from SMTP server, doing nothing"));
}

TEST(SmtpConnection, HostNameIsLookedUp)
{
    Server server;
    CRecordingConnection connection;
    // Resolved from the hosts file; no name server is asked.
    ASSERT_TRUE(connection.Connect("localhost", server.Port())) << connection.LastFailure().message;
    EXPECT_TRUE(connection.Disconnect());
}

} // namespace
