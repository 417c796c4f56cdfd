#include "notify/ChangeEmail.h"

#include "AiosmtpdServer.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

namespace {

using Mode = CAiosmtpdServer::Mode;

struct SecureCase
{
    const char* name;
    Mode serverMode;
    int security;
    std::string password;
    bool trustedCertificate;
    std::string shown; // what the user is shown, or its start when it ends in the library's details
    bool delivered;
};

class SecureEmailTest : public testing::TestWithParam<SecureCase>
{
protected:
    void SetUp() override
    {
        if (!CAiosmtpdServer::MakeCertificate(m_dir.Path() + "cert.pem", m_dir.Path() + "key.pem")
            || !CAiosmtpdServer::MakeCertificate(m_dir.Path() + "other.pem", m_dir.Path() + "otherkey.pem"))
            GTEST_SKIP() << "openssl cannot make a certificate";
    }

    CIsolatedSettings m_settings;
    CTempDir m_dir;
};

TEST_P(SecureEmailTest, DeliversOnlyOverTrustedTlsWithTheRightLogin)
{
    const SecureCase& c = GetParam();
    CAiosmtpdServer server(c.serverMode, m_dir.Path() + "cert.pem", m_dir.Path() + "key.pem");
    if (!server.Ready())
        GTEST_SKIP() << "aiosmtpd could not be started with /usr/bin/python3 (package python3-aiosmtpd)";

    EmailPrefs values;
    values.emailAddress = "watch@example.org";
    values.emailRecipients = "ann@example.org";
    values.emailUsername = "Watcher";
    values.smtpServer = "127.0.0.1";
    values.smtpPort = server.Port();
    values.smtpSecurity = c.security;
    values.smtpUser = "ann";
    values.smtpPassword = c.password;
    values.smtpCAFile = m_dir.Path() + (c.trustedCertificate ? "cert.pem" : "other.pem");

    const std::string shown = SendTestEmail(values);
    EXPECT_EQ(shown.rfind(c.shown, 0), 0u) << testing::PrintToString(shown);
    const std::string message = server.Message(1);
    EXPECT_EQ(!message.empty(), c.delivered) << message;
    if (c.delivered) {
        EXPECT_EQ(server.Envelope(1), "watch@example.org\nann@example.org\n");
        // The same message as over plain SMTP.
        EXPECT_EQ(message.rfind("From: Watcher <watch@example.org>\r\nTo: ann@example.org\r\n"
                                "Subject: Website Changes Detected\r\n"
                                "Content-Type: text/plain;\r\n\tcharset=iso-8859-1\r\nDate: ",
                                0),
                  0u)
            << message;
        EXPECT_EQ(message.substr(message.find("\r\n\r\n") + 4), "Test body\r\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, SecureEmailTest,
    testing::Values(SecureCase{"StartTls", Mode::StartTls, 1, "secret", true, kTestEmailSentText, true},
                    SecureCase{"ImplicitTls", Mode::ImplicitTls, 2, "secret", true, kTestEmailSentText, true},
                    SecureCase{"WrongPassword", Mode::StartTls, 1, "wrong", true,
                               "Couldn't send message!\nResponse:the server refused the user name or password", false},
                    SecureCase{"NoStartTlsOffered", Mode::Plain, 1, "secret", true,
                               "Couldn't send message!\nResponse:the server does not offer STARTTLS", false},
                    SecureCase{"WrongCertificate", Mode::StartTls, 1, "secret", false,
                               "Couldn't send message!\nResponse:the server's certificate cannot be trusted", false},
                    SecureCase{"WrongCertificateImplicit", Mode::ImplicitTls, 2, "secret", false,
                               "Couldn't connect to server!, Error: the server's certificate cannot be trusted", false},
                    SecureCase{"PasswordWithoutTls", Mode::Plain, 0, "secret", true,
                               "Email not sent - a password is never sent without TLS", false}),
    [](const testing::TestParamInfo<SecureCase>& info) { return info.param.name; });

} // namespace
