#include "notify/ChangeEmail.h"
#include "check/PageTexts.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/MailMessage.h"
#include "notify/SMTPConnection.h"
#include "notify/SecureSmtp.h"
#include "platform/UrlCracker.h"

namespace {

const char* const kSubject = "Website Changes Detected";

// Over TLS, through libcurl. The server's reply is the one shown where it gave one.
std::string DeliverOverTls(CMailMessage& message, const EmailPrefs& values, unsigned port,
                           const std::string& successText)
{
    SecureSmtpServer server;
    server.host = values.smtpServer;
    server.port = port;
    server.implicitTls = values.smtpSecurity == 2;
    server.user = values.smtpUser;
    server.password = values.smtpPassword;
    server.caFile = values.smtpCAFile;
    const SecureSmtpOutcome outcome = SendOverTls(server, message);
    if (outcome.status)
        return successText;
    if (!outcome.connected)
        return "Couldn't connect to server!, Error: " + outcome.status.error().message;
    return "Couldn't send message!\nResponse:" + outcome.status.error().message;
}

// Sends the message and gives the text to show: successText when it went out.
std::string Deliver(CMailMessage& message, const EmailPrefs& values, const std::string& successText)
{
    message.ChooseEncoding();
    // A CR or LF in a setting would let it write header lines or SMTP commands of its own.
    const std::string unsafe = message.FindLineBreak();
    if (!unsafe.empty())
        return "Email not sent - line breaks are not allowed in " + unsafe;
    const bool login = !values.smtpUser.empty() || !values.smtpPassword.empty();
    if (login && values.smtpSecurity == 0)
        return "Email not sent - a password is never sent without TLS: choose STARTTLS or TLS for the server";

    // No server listens on port 0, the port's stored default: a user who set up the server without
    // naming a port (the CLI makes that easy) means the standard one.
    const int port = values.smtpPort;
    const unsigned standard = values.smtpSecurity == 2 ? 465u : 25u;
    const unsigned portNumber = port == 0 ? standard : port < 0 ? 0x10000u : static_cast<unsigned>(port);
    if (values.smtpSecurity == 1 || values.smtpSecurity == 2)
        return DeliverOverTls(message, values, portNumber, successText);

    // The connection says QUIT when it goes out of scope, if it is still open.
    CSMTPConnection connection;
    if (!connection.Connect(values.smtpServer, portNumber))
        return "Couldn't connect to server!, Error: " + connection.LastFailure().message;
    if (!connection.SendMessage(message)) {
        // The server's own words where it answered; ours where it did not.
        const std::string& reply = connection.LastReplyText();
        return "Couldn't send message!\nResponse:" + (reply.empty() ? connection.LastFailure().message : reply);
    }
    return successText;
}

// Mail programs make links of what looks like an address; only a web address may look like one.
std::string MailAddressText(const std::string& url)
{
    std::string text = HasWebScheme(url) ? "" : "(not a web address) ";
    // Nor may it break the body's lines.
    for (char c : url)
        text += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return text;
}

} // namespace

std::string SendChangeEmail(const std::vector<std::unique_ptr<Curl>>& records)
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    const std::string userName = prefs.ReadString(Pref::emailUsername);
    const std::string address = prefs.ReadString(Pref::emailAddress);
    EmailPrefs values;
    values.smtpServer = prefs.ReadString(Pref::smtpServer);
    values.smtpPort = prefs.ReadInt(Pref::smtpPort);
    values.smtpSecurity = prefs.ReadInt(Pref::smtpSecurity);
    values.smtpUser = prefs.ReadString(Pref::smtpUser);
    values.smtpPassword = prefs.ReadString(Pref::smtpPassword);
    values.smtpCAFile = prefs.ReadString(Pref::smtpCAFile);
    const std::string recipients = prefs.ReadString(Pref::emailRecipients);

    CMailMessage message;
    message.AddRecipientList(recipients);
    message.m_strSubject = kSubject;
    // Every page still marked as changed is listed, including those of earlier runs.
    std::string body = "This is an automated email\nWebsite changes have been detected\n";
    for (const auto& record : records) {
        if (record && record->m_bChanged)
            body += MailAddressText(record->m_strURL) + " " + ChangeText(*record) + "\n";
    }
    message.SetBodyText(body);
    message.m_From = CMailAddress(userName, address);
    return Deliver(message, values, {});
}

std::string SendTestEmail(const EmailPrefs& values)
{
    if (values.emailAddress.empty() || values.emailRecipients.empty() || values.smtpServer.empty()
        || values.emailUsername.empty())
        return "Email not sent - invalid email details";

    CMailMessage message;
    message.AddRecipientList(values.emailRecipients);
    message.m_strSubject = kSubject;
    message.SetBodyText("Test body");
    message.m_From = CMailAddress(values.emailUsername, values.emailAddress);
    return Deliver(message, values, kTestEmailSentText);
}

std::string SendTestEmail()
{
    EmailPrefs values;
    CVigilPrefs::GetInstance().LoadEmail(values);
    return SendTestEmail(values);
}
