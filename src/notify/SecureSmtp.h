#pragma once

#include "platform/Error.h"

#include <string>

class CMailMessage;

// Where and how the mail goes out over TLS.
struct SecureSmtpServer
{
    std::string host;
    unsigned port = 0;
    bool implicitTls = false; // TLS from the first byte; otherwise STARTTLS, which the server must offer
    std::string user; // empty: no login
    std::string password;
    std::string caFile; // empty: the system's certificate authorities
};

// What came of one delivery: the failure in words, and the server's last answer as it said it.
struct SecureSmtpOutcome
{
    Status status;
    bool connected = false; // the server was reached and greeted us
    std::string lastReply; // the server's last reply line, "" when it never answered
};

// Sends one message over TLS with libcurl's SMTP: EHLO, STARTTLS (or TLS from the start), the
// certificate and the host name checked, AUTH with the mechanism the server offers (PLAIN or LOGIN),
// then the same envelope and bytes after DATA as the plain client sends. Blocks the calling thread.
SecureSmtpOutcome SendOverTls(const SecureSmtpServer& server, const CMailMessage& message);
