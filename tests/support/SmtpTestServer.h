#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// An SMTP server on 127.0.0.1 with a free port, run on a thread of its own for one test. It serves
// one connection at a time.
//
// By default it plays a well-behaved server: greeting, HELO/EHLO, MAIL, RCPT, DATA, the end of data
// and QUIT are answered with success replies that a test may replace, and every message received is
// kept. A script replaces that conversation with exact steps, for replies that arrive in pieces,
// wrong codes or silence.
class CSmtpTestServer
{
public:
    struct Step
    {
        enum Kind
        {
            Send, // write text (every piece of pieces in turn, pausing delayMs between them)
            ReceiveLine, // read one line up to CR LF
            ReceiveData, // read message lines up to the line "."
            Pause, // sleep delayMs
            Close, // close the connection
        };
        Kind kind = Send;
        std::vector<std::string> pieces;
        int delayMs = 0;
    };
    static Step SendText(std::string text) { return Step{Step::Send, {std::move(text)}, 0}; }
    static Step SendPieces(std::vector<std::string> pieces, int delayMs)
    {
        return Step{Step::Send, std::move(pieces), delayMs};
    }
    static Step ReceiveLine() { return Step{Step::ReceiveLine, {}, 0}; }
    static Step ReceiveData() { return Step{Step::ReceiveData, {}, 0}; }
    static Step Pause(int delayMs) { return Step{Step::Pause, {}, delayMs}; }
    static Step Close() { return Step{Step::Close, {}, 0}; }

    // One mail transaction as the well-behaved server saw it.
    struct Message
    {
        std::string helo; // the HELO or EHLO line
        std::string mailFrom; // the MAIL line
        std::vector<std::string> recipients; // the RCPT lines, accepted or not
        std::string data; // the lines after DATA, each with CR LF, without the final "."
    };

    CSmtpTestServer();
    ~CSmtpTestServer();
    CSmtpTestServer(const CSmtpTestServer&) = delete;
    CSmtpTestServer& operator=(const CSmtpTestServer&) = delete;

    int Port() const;
    std::string Host() const { return "127.0.0.1"; }

    // Replaces the well-behaved reply to a step: "GREETING", "HELO", "EHLO", "MAIL", "RCPT", "DATA",
    // "END" (the end of data) or "QUIT". The reply must end with CR LF.
    void SetReply(const std::string& step, const std::string& reply);
    // The reply to RCPT for one address (the text between the angle brackets).
    void SetRecipientReply(const std::string& address, const std::string& reply);
    // Plays the steps on every later connection instead of the well-behaved conversation. After the
    // last step the server reads until the client closes.
    void SetScript(std::vector<Step> steps);

    // Waits until the server has seen the client close every connection it accepted. False on time-out.
    bool WaitIdle(int timeoutMs = 5000) const;
    int Connections() const;
    // Everything clients sent, in order, over all connections.
    std::string Received() const;
    // The same cut into lines (without CR LF).
    std::vector<std::string> ReceivedLines() const;
    // Messages whose end of data arrived.
    std::vector<Message> Messages() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
