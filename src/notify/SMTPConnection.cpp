#include "notify/SMTPConnection.h"

#include "notify/MailMessage.h"
#include "notify/SmtpReply.h"
#include "platform/DebugLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

} // namespace

CSMTPConnection::~CSMTPConnection()
{
    if (m_bConnected)
        Disconnect();
    m_socket.Close();
}

void CSMTPConnection::Fail(ErrorKind kind, std::string words, const std::string& diagnostic)
{
    m_failure = MakeError(kind, std::move(words));
    ReportError(diagnostic);
}

void CSMTPConnection::SocketFailure(const std::string& what, const Error& error, const std::string& diagnostic)
{
    m_failure = MakeError(error.kind == ErrorKind::TimedOut ? ErrorKind::TimedOut : ErrorKind::Network,
                          what + ": " + error.message);
    ReportError(diagnostic);
}

void CSMTPConnection::Refused(const std::string& what, const std::string& diagnostic)
{
    if (m_bUnexpectedCode) {
        const std::string answer = m_strLastCommandResponse.substr(0, m_strLastCommandResponse.find("\r\n"));
        m_failure = MakeError(ErrorKind::Protocol,
                              "the server refused " + what + (answer.empty() ? "" : " (\"" + answer + "\")"));
    }
    ReportError(diagnostic);
}

void CSMTPConnection::ReportError(const std::string& text)
{
    DebugReport(text);
}

bool CSMTPConnection::Connect(const std::string& host, unsigned port)
{
    if (m_bConnected)
        Disconnect();

    m_bAbandoned = false;
    m_sessionDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_nSessionTimeoutMs);
    m_failure = Error{};
    m_bUnexpectedCode = false;
    if (const Status created = m_socket.Create(); !created) {
        SocketFailure("cannot open a network socket", created.error(),
                      "CSMTPConnection::Connect, Failed to create client socket, GetLastError returns: "
                          + created.error().message + "\n");
        return false;
    }
    if (const Status connected = m_socket.Connect(host, port, ReplyTimeLeft()); !connected) {
        const std::string diagnostic = Format(
            "CSMTPConnection::Connect, Could not connect to the SMTP server %s on port %d, GetLastError returns: %s",
            host.c_str(), static_cast<int>(port), connected.error().message.c_str());
        if (connected.error().kind == ErrorKind::NotFound)
            Fail(ErrorKind::Network, "the server name \"" + host + "\" cannot be found", diagnostic);
        else
            SocketFailure("cannot connect to " + host + " port " + std::to_string(port), connected.error(), diagnostic);
        return false;
    }
    m_bConnected = true;

    if (!AwaitReply(220)) {
        Refused("the connection", "CSMTPConnection::Connect, An unexpected SMTP login response was received");
        // The greeting is why the connect failed; a refused QUIT must not hide that.
        const Error failure = m_failure;
        Disconnect();
        m_failure = failure;
        return false;
    }

    if (m_strHeloHostName == "auto")
        m_strHeloHostName = CMailSocket::LocalHostName();

    bool answered;
    if (const Status sent = m_socket.Send("HELO " + m_strHeloHostName + "\r\n"); !sent) {
        SocketFailure("cannot send HELO", sent.error(),
                      "CSMTPConnection::ConnectSMTP, An unexpected error occurred while sending the HELO command");
        answered = false;
    } else {
        answered = AwaitReply(250);
        if (!answered)
            Refused("HELO " + m_strHeloHostName, "CSMTPConnection::Connect, An unexpected HELO response was received");
    }
    if (!answered) {
        const Error failure = m_failure;
        Disconnect();
        m_failure = failure;
        ReportError("CSMTPConnection::Connect, An unexpected HELO/EHLO response was received");
        return false;
    }
    return true;
}

bool CSMTPConnection::Disconnect()
{
    bool result = false;
    if (!m_bConnected) {
        ReportError("CSMTPConnection::Disconnect, Already disconnected from SMTP server, doing nothing");
    } else {
        if (const Status sent = m_socket.Send("QUIT\r\n"); !sent) {
            SocketFailure("cannot send QUIT", sent.error(),
                          "CSMTPConnection::Disconnect, Failed in call to send QUIT command, GetLastError returns: "
                              + sent.error().message);
        }
        // After a reply that never ended, waiting for another would only double the wait.
        result = !m_bAbandoned && AwaitReply(221);
        if (!result)
            Refused("QUIT", "CSMTPConnection::Disconnect, An unexpected QUIT response was received");
        m_bConnected = false;
    }
    m_socket.Close();
    return result;
}

bool CSMTPConnection::SendRCPTForRecipient(const std::string& address)
{
    if (const Status sent = m_socket.Send("RCPT TO:<" + address + ">\r\n"); !sent) {
        SocketFailure(
            "cannot send RCPT", sent.error(),
            "CSMTPConnection::SendRCPTForRecipient, Failed in call to send RCPT command, GetLastError returns: "
                + sent.error().message);
        return false;
    }
    // 251 (forwarded) counts as a refusal too.
    if (!AwaitReply(250)) {
        Refused("the recipient " + address,
                "CSMTPConnection::SendRCPTForRecipient, An unexpected RCPT response was received");
        return false;
    }
    return true;
}

bool CSMTPConnection::SendMessage(const CMailMessage& message)
{
    // A line break in a header field would let a setting add header lines or SMTP commands.
    const std::string unsafe = message.FindLineBreak();
    if (!unsafe.empty()) {
        Fail(ErrorKind::BadInput, "a line break in " + unsafe + " was refused",
             "CSMTPConnection::SendMessage, A line break in " + unsafe + " was refused");
        return false;
    }

    m_failure = Error{};
    if (const Status sent = m_socket.Send("MAIL FROM:<" + message.m_From.m_strEmailAddress + ">\r\n"); !sent) {
        SocketFailure("cannot send MAIL", sent.error(),
                      "CSMTPConnection::SendMessage, Failed in call to send MAIL command, GetLastError returns: "
                          + sent.error().message);
        return false;
    }
    if (!AwaitReply(250)) {
        Refused("the sender " + message.m_From.m_strEmailAddress,
                "CSMTPConnection::SendMessage, An unexpected MAIL response was received");
        return false;
    }

    for (const CMailAddress& recipient : message.m_Recipients) {
        if (!SendRCPTForRecipient(recipient.m_strEmailAddress))
            return false;
    }

    if (const Status sent = m_socket.Send("DATA\r\n"); !sent) {
        SocketFailure("cannot send DATA", sent.error(),
                      "CSMTPConnection::SendMessage, Failed in call to send DATA command, GetLastError returns: "
                          + sent.error().message);
        return false;
    }
    if (!AwaitReply(354)) {
        Refused("to take a message", "CSMTPConnection::SendMessage, An unexpected DATA response was received");
        return false;
    }

    if (const Status sent = m_socket.Send(message.BuildHeader()); !sent) {
        SocketFailure("cannot send the message to the server", sent.error(),
                      "CSMTPConnection::SendMessage, Failed in call to send the header, GetLastError returns: "
                          + sent.error().message);
        return false;
    }
    if (const Status sent = m_socket.Send("\r\n"); !sent) {
        SocketFailure(
            "cannot send the message to the server", sent.error(),
            "CSMTPConnection::SendMessage, Failed in call to send the header / body separator, GetLastError returns: "
                + sent.error().message);
        return false;
    }
    if (const Status sent = m_socket.Send(message.GetBodyText()); !sent) {
        SocketFailure("cannot send the message to the server", sent.error(),
                      "CSMTPConnection::SendMessage, Failed in call to send the message body, GetLastError returns: "
                          + sent.error().message);
        return false;
    }
    // Sent even when the body already ends with CR LF: the message then ends with an empty line.
    if (const Status sent = m_socket.Send("\r\n.\r\n"); !sent) {
        SocketFailure(
            "cannot send the message to the server", sent.error(),
            "CSMTPConnection::SendMessage, Failed in call to send end of message indicator, GetLastError returns: "
                + sent.error().message);
        return false;
    }
    if (!AwaitReply(250)) {
        Refused("the message", "CSMTPConnection::SendMessage, An unexpected end of message response was received");
        return false;
    }
    return true;
}

bool CSMTPConnection::AwaitReply(int expectedCode)
{
    std::vector<char> buffer(kReplyBufferSize);
    return ReadResponse(buffer, "\r\n", expectedCode, kReplyGrowthStep);
}

unsigned CSMTPConnection::ReplyTimeLeft() const
{
    using namespace std::chrono;
    const auto sessionLeft = duration_cast<milliseconds>(m_sessionDeadline - steady_clock::now()).count();
    return static_cast<unsigned>(std::clamp<long long>(sessionLeft, 0, m_nResponseTimeoutMs));
}

bool CSMTPConnection::ReadResponse(std::vector<char>& buffer, const std::string& terminator, int expectedCode,
                                   size_t growthStep)
{
    if (buffer.empty())
        buffer.resize(1);
    if (growthStep == 0)
        growthStep = 1;
    const size_t tlen = terminator.size();
    size_t received = 0;
    m_bUnexpectedCode = false;
    auto keepReceived = [&] { m_strLastCommandResponse.assign(buffer.data(), received); };

    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ReplyTimeLeft());
    for (;;) {
        bool readable = false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left > 0) {
            const Result<bool> waited = m_socket.WaitReadable(static_cast<unsigned>(left));
            if (!waited) {
                SocketFailure("cannot wait for the server's answer", waited.error(),
                              "CSMTPConnection::ReadResponse, select failed");
                keepReceived();
                return false;
            }
            readable = *waited;
        }
        if (!readable) {
            m_bAbandoned = true;
            Fail(ErrorKind::TimedOut, "the server did not answer in time",
                 "CSMTPConnection::ReadResponse, Timed Out waiting for response from SMTP server");
            keepReceived();
            return false;
        }
        // One byte is always left free; a receive that fills the rest makes the buffer grow.
        const size_t space
            = std::min(buffer.size() > received + 1 ? buffer.size() - received - 1 : 0, kMaxReplySize - received);
        const Result<size_t> got = m_socket.Receive(buffer.data() + received, space);
        if (!got || *got == 0) {
            if (got)
                Fail(ErrorKind::Network, "the server closed the connection",
                     "CSMTPConnection::ReadResponse, The server closed the connection");
            else
                SocketFailure("cannot read the server's answer", got.error(),
                              "CSMTPConnection::ReadResponse, recv failed");
            keepReceived();
            return false;
        }
        const size_t count = *got;
        received += count;
        if (SmtpReply::IsComplete(std::string_view(buffer.data(), received), terminator))
            break;
        if (received >= kMaxReplySize) {
            m_bAbandoned = true;
            Fail(ErrorKind::Protocol, "the server's answer is too long",
                 "CSMTPConnection::ReadResponse, The SMTP server's reply is too large");
            keepReceived();
            return false;
        }
        if (count == space)
            buffer.resize(buffer.size() + growthStep);
    }

    const std::string_view reply(buffer.data(), received - tlen);
    if (SmtpReply::FindCode(reply, terminator, expectedCode, m_nLastResponseCode, m_strLastCommandResponse))
        return true;
    m_bUnexpectedCode = true;
    m_failure = MakeError(ErrorKind::Protocol, "the server answered \"" + m_strLastCommandResponse + "\"");
    return false;
}
