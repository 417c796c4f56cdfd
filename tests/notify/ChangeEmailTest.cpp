#include "notify/ChangeEmail.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"

#include "AiosmtpdServer.h"
#include "SmtpTestServer.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <thread>
#include <vector>

namespace {

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
    EXPECT_EQ(header.rfind("From: =?utf-8?q?Jos=C3=A9_Watcher?= <watch@example.org>\r\n"
                           "To: Ann Smith <ann@example.org>,bob@example.org\r\n"
                           "Subject: Website Changes Detected\r\n"
                           "MIME-Version: 1.0\r\n"
                           "Content-Type: text/plain;\r\n\tcharset=utf-8\r\n"
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

// An address longer than an SMTP line may be once made the server refuse the whole e-mail.
TEST(ChangeEmail, PageWithAnAddressLongerThanALineArrives)
{
    CIsolatedSettings settings;
    CAiosmtpdServer server;
    if (!server.Ready())
        GTEST_SKIP() << "aiosmtpd could not be started with /usr/bin/python3 (package python3-aiosmtpd)";
    StoreEmailSettings("127.0.0.1", server.Port(), "ann@example.org");
    const std::string url = "http://a.example.org/" + std::string(1500, 'p');
    std::vector<std::unique_ptr<Curl>> records;
    AddRecord(records, url, "Checksum changed");
    ASSERT_EQ(SendChangeEmail(records), "");

    const std::string message = server.Message(1);
    EXPECT_NE(message.find("Content-Transfer-Encoding: quoted-printable\r\n"), std::string::npos);
    std::string unfolded = message.substr(message.find("\r\n\r\n") + 4);
    for (size_t soft; (soft = unfolded.find("=\r\n")) != std::string::npos;)
        unfolded.erase(soft, 3);
    EXPECT_NE(unfolded.find(url + "   Changed - Checksum changed\r\n"), std::string::npos) << unfolded;
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
    EmailPrefs values{"watch@example.org", "ann@example.org", "Watcher", 0, server.Port(), "", 0, "", "", ""};
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
    EXPECT_EQ(shown.rfind("Couldn't connect to server!, Error: ", 0), 0u) << shown;
    // Said in words, never as a bare error number.
    EXPECT_TRUE(
        std::isalpha(static_cast<unsigned char>(shown[std::string("Couldn't connect to server!, Error: ").size()])))
        << shown;
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
    EmailPrefs values{
        "watch@example.org", GetParam().recipients, GetParam().userName, 0, server.Port(), "127.0.0.1", 0, "", "", ""};
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
