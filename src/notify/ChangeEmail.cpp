#include "notify/ChangeEmail.h"

#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/MailMessage.h"
#include "notify/SMTPConnection.h"
#include "platform/UrlCracker.h"

namespace {

const char* const kSubject = "Website Changes Detected";

// Sends the message and gives the text to show: successText when it went out.
std::string Deliver(CMailMessage& message, const std::string& server, int port, const std::string& successText)
{
    message.ChooseEncoding();
    // A CR or LF in a setting would let it write header lines or SMTP commands of its own.
    const std::string unsafe = message.FindLineBreak();
    if (!unsafe.empty())
        return "Email not sent - line breaks are not allowed in " + unsafe;

    // The connection says QUIT when it goes out of scope, if it is still open.
    CSMTPConnection connection;
    // No server listens on port 0, the port's stored default: a user who set up the server without
    // naming a port (the CLI makes that easy) means the standard one.
    const unsigned portNumber = port == 0 ? 25u : port < 0 ? 0x10000u : static_cast<unsigned>(port);
    if (!connection.Connect(server, portNumber))
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
    const std::string server = prefs.ReadString(Pref::smtpServer);
    const int port = prefs.ReadInt(Pref::smtpPort);
    const std::string recipients = prefs.ReadString(Pref::emailRecipients);

    CMailMessage message;
    message.AddRecipientList(recipients);
    message.m_strSubject = kSubject;
    // Every page still marked as changed is listed, including those of earlier runs.
    std::string body = "This is an automated email\nWebsite changes have been detected\n";
    for (const auto& record : records) {
        if (record && record->m_bChanged)
            body += MailAddressText(record->m_strURL) + " " + record->GetChangeText() + "\n";
    }
    message.SetBodyText(body);
    message.m_From = CMailAddress(userName, address);
    return Deliver(message, server, port, {});
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
    return Deliver(message, values.smtpServer, values.smtpPort, kTestEmailSentText);
}

std::string SendTestEmail()
{
    EmailPrefs values;
    CVigilPrefs::GetInstance().LoadEmail(values);
    return SendTestEmail(values);
}
