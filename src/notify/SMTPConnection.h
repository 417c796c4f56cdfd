#pragma once

#include "platform/Error.h"
#include "platform/TcpSocket.h"

#include <chrono>
#include <string>
#include <vector>

class CMailMessage;

// The mail client's socket: a blocking IPv4 TCP connection.
using CMailSocket = CTcpSocket;

// A small blocking SMTP client over one TCP connection: greeting, HELO, one or more mail
// transactions (MAIL, RCPT for each recipient, DATA, header, body, end of data) and QUIT.
// No EHLO, no authentication. Every failure returns false and leaves what went wrong, in words, in
// LastFailure(): Network for the connection, TimedOut for a server that did not answer in time,
// Protocol for a refused command or a malformed reply, BadInput for a message that must not be sent.
class CSMTPConnection
{
public:
    // Each reply must be whole within the response time-out, and the whole session (connect to
    // QUIT) within the session time-out, however the server trickles.
    static constexpr unsigned kDefaultResponseTimeoutMs = 60000;
    static constexpr unsigned kDefaultSessionTimeoutMs = 300000;
    // Far more than any SMTP reply needs.
    static constexpr size_t kMaxReplySize = 8192;
    static constexpr size_t kReplyBufferSize = 256;
    static constexpr size_t kReplyGrowthStep = 4096;

    CSMTPConnection() = default;
    virtual ~CSMTPConnection();
    CSMTPConnection(const CSMTPConnection&) = delete;
    CSMTPConnection& operator=(const CSMTPConnection&) = delete;

    // Connects, waits for the 220 greeting and introduces itself with HELO.
    bool Connect(const std::string& host, unsigned port);
    // Sends QUIT, waits for 221 and closes the socket.
    bool Disconnect();
    // One complete mail transaction. The connection stays open afterwards.
    bool SendMessage(const CMailMessage& message);

    // The server reply text kept by the last reply read.
    const std::string& LastReplyText() const { return m_strLastCommandResponse; }
    int LastResponseCode() const { return m_nLastResponseCode; }
    const Error& LastFailure() const { return m_failure; }
    bool IsConnected() const { return m_bConnected; }

    // "auto" stands for the local host name, taken on the first connect.
    const std::string& HeloHostName() const { return m_strHeloHostName; }
    void SetHeloHostName(const std::string& name) { m_strHeloHostName = name; }
    unsigned ResponseTimeout() const { return m_nResponseTimeoutMs; }
    void SetResponseTimeout(unsigned milliseconds) { m_nResponseTimeoutMs = milliseconds; }
    void SetSessionTimeout(unsigned milliseconds) { m_nSessionTimeoutMs = milliseconds; }

    // Reads one reply into a buffer of kReplyBufferSize bytes growing by kReplyGrowthStep.
    virtual bool AwaitReply(int expectedCode);
    // Reads until the reply ends with the terminator and its last line is not a continuation line
    // ("250-"). The buffer's size is the space available; when a receive fills it exactly, it grows
    // by growthStep. Succeeds when any line carries the expected code; the kept reply text then runs
    // from that line to the end of the reply. A reply past kMaxReplySize, or one not whole by its
    // deadline, fails and leaves the connection good only for closing.
    virtual bool ReadResponse(std::vector<char>& buffer, const std::string& terminator, int expectedCode,
                              size_t growthStep);
    // Receives the text of every failure; writes it to the diagnostics channel when debugging is on.
    virtual void ReportError(const std::string& text);

private:
    bool SendRCPTForRecipient(const std::string& address);
    void Fail(ErrorKind kind, std::string words, const std::string& diagnostic);
    // A failed send or connect: the system's words for the socket's error.
    void SocketFailure(const std::string& what, const Error& error, const std::string& diagnostic);
    // A command answered with another code than expected; a failure that came first (a time-out, a
    // closed connection) stays as it is.
    void Refused(const std::string& what, const std::string& diagnostic);
    // Milliseconds left for the reply that starts now: the response time-out or what is left of the
    // session, whichever is shorter.
    unsigned ReplyTimeLeft() const;

    CMailSocket m_socket;
    bool m_bConnected = false;
    std::string m_strLastCommandResponse;
    std::string m_strHeloHostName = "auto";
    unsigned m_nResponseTimeoutMs = kDefaultResponseTimeoutMs;
    unsigned m_nSessionTimeoutMs = kDefaultSessionTimeoutMs;
    std::chrono::steady_clock::time_point m_sessionDeadline;
    // A reply timed out or was too large: the server is not waited for again.
    bool m_bAbandoned = false;
    int m_nLastResponseCode = 0;
    Error m_failure;
    // The last reply was whole but had no line with the expected code.
    bool m_bUnexpectedCode = false;
};
