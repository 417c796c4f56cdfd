#include "notify/SMTPConnection.h"

#include "notify/MailMessage.h"
#include "notify/SmtpReply.h"
#include "platform/DebugLog.h"

#include <algorithm>
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

void CSMTPConnection::Fail(int error, const std::string& text)
{
    m_socket.SetLastError(error);
    ReportError(text);
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
    if (!m_socket.Create()) {
        ReportError(Format("CSMTPConnection::Connect, Failed to create client socket, GetLastError returns: %d\n",
                           m_socket.LastError()));
        return false;
    }
    if (!m_socket.Connect(host, port, ReplyTimeLeft())) {
        ReportError(Format(
            "CSMTPConnection::Connect, Could not connect to the SMTP server %s on port %d, GetLastError returns: %d",
            host.c_str(), static_cast<int>(port), m_socket.LastError()));
        return false;
    }
    m_bConnected = true;

    if (!AwaitReply(220)) {
        ReportError("CSMTPConnection::Connect, An unexpected SMTP login response was received");
        // The greeting is why the connect failed; a refused QUIT must not hide that.
        const int error = m_socket.LastError();
        Disconnect();
        m_socket.SetLastError(error);
        return false;
    }

    if (m_strHeloHostName == "auto")
        m_strHeloHostName = CMailSocket::LocalHostName();

    bool answered;
    if (!m_socket.Send("HELO " + m_strHeloHostName + "\r\n")) {
        ReportError("CSMTPConnection::ConnectSMTP, An unexpected error occurred while sending the HELO command");
        answered = false;
    } else {
        answered = AwaitReply(250);
    }
    if (!answered) {
        const int error = m_socket.LastError();
        Disconnect();
        m_socket.SetLastError(error);
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
        if (!m_socket.Send("QUIT\r\n")) {
            ReportError(
                Format("CSMTPConnection::Disconnect, Failed in call to send QUIT command, GetLastError returns: %d",
                       m_socket.LastError()));
        }
        // After a reply that never ended, waiting for another would only double the wait.
        result = !m_bAbandoned && AwaitReply(221);
        if (!result)
            Fail(kErrorBadCommand, "CSMTPConnection::Disconnect, An unexpected QUIT response was received");
        m_bConnected = false;
    }
    m_socket.Close();
    return result;
}

bool CSMTPConnection::SendRCPTForRecipient(const std::string& address)
{
    if (!m_socket.Send("RCPT TO:<" + address + ">\r\n")) {
        ReportError(Format(
            "CSMTPConnection::SendRCPTForRecipient, Failed in call to send RCPT command, GetLastError returns: %d",
            m_socket.LastError()));
        return false;
    }
    // 251 (forwarded) counts as a refusal too.
    if (!AwaitReply(250)) {
        Fail(kErrorBadCommand, "CSMTPConnection::SendRCPTForRecipient, An unexpected RCPT response was received");
        return false;
    }
    return true;
}

bool CSMTPConnection::SendMessage(const CMailMessage& message)
{
    // A line break in a header field would let a setting add header lines or SMTP commands.
    const std::string unsafe = message.FindLineBreak();
    if (!unsafe.empty()) {
        Fail(EINVAL, "CSMTPConnection::SendMessage, A line break in " + unsafe + " was refused");
        return false;
    }

    if (!m_socket.Send("MAIL FROM:<" + message.m_From.m_strEmailAddress + ">\r\n")) {
        ReportError(
            Format("CSMTPConnection::SendMessage, Failed in call to send MAIL command, GetLastError returns: %d",
                   m_socket.LastError()));
        return false;
    }
    if (!AwaitReply(250)) {
        Fail(kErrorBadCommand, "CSMTPConnection::SendMessage, An unexpected MAIL response was received");
        return false;
    }

    for (const CMailAddress& recipient : message.m_Recipients) {
        if (!SendRCPTForRecipient(recipient.m_strEmailAddress))
            return false;
    }

    if (!m_socket.Send("DATA\r\n")) {
        ReportError(
            Format("CSMTPConnection::SendMessage, Failed in call to send DATA command, GetLastError returns: %d",
                   m_socket.LastError()));
        return false;
    }
    if (!AwaitReply(354)) {
        Fail(kErrorBadCommand, "CSMTPConnection::SendMessage, An unexpected DATA response was received");
        return false;
    }

    if (!m_socket.Send(message.BuildHeader())) {
        ReportError(Format("CSMTPConnection::SendMessage, Failed in call to send the header, GetLastError returns: %d",
                           m_socket.LastError()));
        return false;
    }
    if (!m_socket.Send("\r\n")) {
        ReportError(Format("CSMTPConnection::SendMessage, Failed in call to send the header / body separator, "
                           "GetLastError returns: %d",
                           m_socket.LastError()));
        return false;
    }
    if (!m_socket.Send(message.GetBodyText())) {
        ReportError(Format("CSMTPConnection::SendMessage, Failed in call to send the message body, "
                           "GetLastError returns: %d",
                           m_socket.LastError()));
        return false;
    }
    // Sent even when the body already ends with CR LF: the message then ends with an empty line.
    if (!m_socket.Send("\r\n.\r\n")) {
        ReportError(Format("CSMTPConnection::SendMessage, Failed in call to send end of message indicator, "
                           "GetLastError returns: %d",
                           m_socket.LastError()));
        return false;
    }
    if (!AwaitReply(250)) {
        Fail(kErrorBadCommand, "CSMTPConnection::SendMessage, An unexpected end of message response was received");
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
    auto keepReceived = [&] { m_strLastCommandResponse.assign(buffer.data(), received); };

    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(ReplyTimeLeft());
    for (;;) {
        bool readable = false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
        if (left > 0 && !m_socket.WaitReadable(static_cast<unsigned>(left), readable)) {
            keepReceived();
            return false;
        }
        if (!readable) {
            m_bAbandoned = true;
            Fail(kErrorTimedOut, "CSMTPConnection::ReadResponse, Timed Out waiting for response from SMTP server");
            keepReceived();
            return false;
        }
        // One byte is always left free; a receive that fills the rest makes the buffer grow.
        const size_t space
            = std::min(buffer.size() > received + 1 ? buffer.size() - received - 1 : 0, kMaxReplySize - received);
        const long count = m_socket.Receive(buffer.data() + received, space);
        if (count <= 0) {
            if (count == 0)
                m_socket.SetLastError(kErrorConnectionClosed);
            keepReceived();
            return false;
        }
        received += static_cast<size_t>(count);
        if (SmtpReply::IsComplete(std::string_view(buffer.data(), received), terminator))
            break;
        if (received >= kMaxReplySize) {
            m_bAbandoned = true;
            Fail(kErrorReplyTooLarge, "CSMTPConnection::ReadResponse, The SMTP server's reply is too large");
            keepReceived();
            return false;
        }
        if (static_cast<size_t>(count) == space)
            buffer.resize(buffer.size() + growthStep);
    }

    const std::string_view reply(buffer.data(), received - tlen);
    if (SmtpReply::FindCode(reply, terminator, expectedCode, m_nLastResponseCode, m_strLastCommandResponse))
        return true;
    m_socket.SetLastError(kErrorUnexpectedCode);
    return false;
}
