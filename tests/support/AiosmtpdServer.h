#pragma once

#include "TestEnv.h"

#include <string>
#include <sys/types.h>

// Debian's aiosmtpd on 127.0.0.1, started and stopped by the test. Each message it accepts is kept
// as N.env (MAIL FROM, then one RCPT address a line) and N.eml (the message as received, dots
// un-stuffed). With TLS it logs in the user "ann" with the password "secret" (PLAIN or LOGIN), and
// only over TLS.
class CAiosmtpdServer
{
public:
    enum class Mode
    {
        Plain, // no TLS, no login: the server of old
        StartTls, // STARTTLS offered and required before anything else
        ImplicitTls, // TLS from the first byte
    };
    explicit CAiosmtpdServer(Mode mode = Mode::Plain, const std::string& certFile = {},
                             const std::string& keyFile = {});
    ~CAiosmtpdServer();
    CAiosmtpdServer(const CAiosmtpdServer&) = delete;
    CAiosmtpdServer& operator=(const CAiosmtpdServer&) = delete;

    bool Ready() const { return m_ready; }
    int Port() const { return m_port; }
    std::string Message(int n) const { return ReadFileBytes(m_dir.Path() + std::to_string(n) + ".eml"); }
    std::string Envelope(int n) const { return ReadFileBytes(m_dir.Path() + std::to_string(n) + ".env"); }

    // Makes a self-signed certificate for 127.0.0.1 and its key with openssl; false when it cannot.
    static bool MakeCertificate(const std::string& certFile, const std::string& keyFile);

private:
    CTempDir m_dir;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
    bool m_ready = false;
};
