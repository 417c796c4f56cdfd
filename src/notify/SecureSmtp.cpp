#include "notify/SecureSmtp.h"

#include "notify/MailMessage.h"
#include "platform/TcpSocket.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The same bounds as the plain client: a reply within a minute, the whole exchange within five.
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kSessionTimeoutSeconds = 300;

struct Upload
{
    std::string bytes;
    size_t sent = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, upload->bytes.size() - upload->sent);
    std::memcpy(buffer, upload->bytes.data() + upload->sent, n);
    upload->sent += n;
    return n;
}

// Keeps the last line the server sent ("HEADER_IN" is what libcurl calls SMTP replies).
int KeepReplies(CURL*, curl_infotype type, char* data, size_t size, void* user)
{
    if (type != CURLINFO_HEADER_IN)
        return 0;
    auto* outcome = static_cast<SecureSmtpOutcome*>(user);
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    // Bounded, and never a control character on the user's screen.
    line.resize(std::min<size_t>(line.size(), 512));
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    outcome->lastReply = line;
    if (line.rfind("220", 0) == 0)
        outcome->connected = true;
    return 0;
}

struct CurlFree
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

Error Describe(CURLcode code, const char* detail, const SecureSmtpOutcome& outcome)
{
    std::string words;
    ErrorKind kind = ErrorKind::Network;
    switch (code) {
    case CURLE_USE_SSL_FAILED:
        kind = ErrorKind::Protocol;
        words = "the server does not offer STARTTLS, so the mail was not sent";
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        words = "the server's certificate cannot be trusted";
        break;
    case CURLE_SSL_CACERT_BADFILE:
        kind = ErrorKind::BadInput;
        words = "the certificate authority file cannot be read";
        break;
    case CURLE_SSL_CONNECT_ERROR:
        words = "the TLS handshake with the server failed";
        break;
    case CURLE_LOGIN_DENIED:
        kind = ErrorKind::Protocol;
        words = "the server refused the user name or password";
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        words = "the server name cannot be found";
        break;
    case CURLE_COULDNT_CONNECT:
        words = "cannot connect to the server";
        break;
    case CURLE_OPERATION_TIMEDOUT:
        kind = ErrorKind::TimedOut;
        words = "the server did not answer in time";
        break;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        words = "the connection to the server broke off";
        break;
    default:
        kind = ErrorKind::Protocol;
        words = curl_easy_strerror(code);
        break;
    }
    if (detail && *detail)
        words += std::string(" (") + detail + ")";
    if (!outcome.lastReply.empty() && kind == ErrorKind::Protocol)
        words += "; the server said \"" + outcome.lastReply + "\"";
    return MakeError(kind, words);
}

} // namespace

SecureSmtpOutcome SendOverTls(const SecureSmtpServer& server, const CMailMessage& message)
{
    SecureSmtpOutcome outcome;
    InitLibraryOnce();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        outcome.status = MakeError(ErrorKind::Internal, "the mail library cannot be started");
        return outcome;
    }
    CURL* const h = curl.get();
    // libcurl stuffs leading dots and ends the data itself: it gets the message unstuffed, and the
    // same bytes go out after DATA as from the plain client.
    Upload upload;
    upload.bytes = message.BuildHeader() + "\r\n" + message.m_Body.GetUnstuffedText() + "\r\n";

    std::unique_ptr<curl_slist, CurlFree> recipients;
    for (const CMailAddress& recipient : message.m_Recipients) {
        curl_slist* list = curl_slist_append(recipients.get(), ("<" + recipient.m_strEmailAddress + ">").c_str());
        if (!list) {
            outcome.status = MakeError(ErrorKind::Internal, "out of memory");
            return outcome;
        }
        recipients.release();
        recipients.reset(list);
    }

    // The path of an SMTP address is the name we give in EHLO.
    const std::string url = std::string(server.implicitTls ? "smtps://" : "smtp://") + server.host + ":"
        + std::to_string(server.port) + "/" + CTcpSocket::LocalHostName();
    char detail[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, detail);
    // STARTTLS is required: a server that does not offer it gets nothing, the password least of all.
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!server.caFile.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, server.caFile.c_str());
    if (!server.user.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, server.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, server.password.c_str());
    }
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, ("<" + message.m_From.m_strEmailAddress + ">").c_str());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, kSessionTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, KeepReplies);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &outcome);

    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK)
        outcome.status = Describe(code, detail, outcome);
    return outcome;
}
