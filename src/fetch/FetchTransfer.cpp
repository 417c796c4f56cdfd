#include "fetch/FetchTransfer.h"

#include "fetch/CurlSession.h"
#include "fetch/HttpHeaders.h"
#include "model/UrlRecord.h"
#include "platform/Clock.h"
#include "platform/UrlCracker.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>
#include <vector>

using namespace HttpHeaders;

namespace {

// A wait that keeps failing is retried this often before the fetch gives up.
constexpr int kMaxWaitFailures = 5;
// Redirects the library follows on its own before it gives up on a page.
constexpr long kMaxRedirects = 10;
constexpr long kReadBufferSize = 64 * 1024;
// A host's Retry-After is honoured up to an hour; a later one is read as an hour.
constexpr int64_t kMaxRetryAfter = 3600;

long ToCurlAuth(AuthScheme scheme)
{
    switch (scheme) {
    case kAuthNegotiate:
        return CURLAUTH_NEGOTIATE;
    case kAuthNtlm:
        return CURLAUTH_NTLM;
    case kAuthDigest:
        return CURLAUTH_DIGEST;
    default:
        return CURLAUTH_NONE;
    }
}

unsigned FromCurlAuth(long mask)
{
    unsigned offered = kAuthNone;
    if (mask & CURLAUTH_BASIC)
        offered |= kAuthBasic;
    if (mask & CURLAUTH_DIGEST)
        offered |= kAuthDigest;
    if (mask & CURLAUTH_NTLM)
        offered |= kAuthNtlm;
    if (mask & CURLAUTH_NEGOTIATE)
        offered |= kAuthNegotiate;
    return offered;
}

// The library's own limit on a header line: reported as out of memory before version 8.6.
bool IsHeaderTooLarge(CURLcode result)
{
#if LIBCURL_VERSION_NUM >= 0x080600
    if (result == CURLE_TOO_LARGE)
        return true;
#endif
    return result == CURLE_OUT_OF_MEMORY;
}

// Digits only, and a number a 64-bit length holds.
bool IsValidContentLength(std::string_view value)
{
    if (value.empty() || value.size() > 18)
        return false;
    return std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsFollowedRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

CFetchTransfer::CFetchTransfer(const CurlSettings& page, std::string url, const CCurlSession& session,
                               const FetchSettings& settings, CURLM* multi, const CancelWatch& cancel,
                               Reporter reporter, FetchOutcome& outcome, IFetchProgress* progress)
    : m_page(page)
    , m_outcome(outcome)
    , m_progress(progress)
    , m_session(session)
    , m_settings(settings)
    , m_multi(multi)
    , m_cancel(cancel)
    , m_reporter(std::move(reporter))
    , m_url(std::move(url))
    , m_lastActivity(std::chrono::steady_clock::now())
    , m_started(m_lastActivity)
{ }

CFetchTransfer::~CFetchTransfer()
{
    if (m_easy) {
        if (m_added)
            curl_multi_remove_handle(m_multi, m_easy);
        curl_easy_cleanup(m_easy);
    }
    curl_slist_free_all(m_requestHeaders);
}

void CFetchTransfer::Run()
{
    if (httpConnect() && httpSetTimeouts() && httpOpenRequest() && httpSetStatusCallback() && httpSendRequest())
        waitForCallbackOrCancel();
}

bool CFetchTransfer::httpConnect()
{
    m_https = m_url.compare(0, 8, "https://") == 0;
    m_easy = curl_easy_init();
    if (!m_easy) {
        Report("httpConnect", curl_easy_strerror(CURLE_OUT_OF_MEMORY));
        Fail(FetchFailure::Request, curl_easy_strerror(CURLE_OUT_OF_MEMORY));
        return false;
    }
    const FetchSettings& session = m_settings;
    CURLcode rc = curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SHARE, m_session.Share());
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_URL, m_url.c_str());
    // The path goes out as the address wrote it, as the URL cracker read it.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_PATH_AS_IS, 1L);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // Reads as large as what has arrived, up to this: a typical page lands in one or two appends,
    // and its body is not left with the slack of many small growth steps.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, kReadBufferSize);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_USERAGENT, session.userAgent.c_str());
    // Access type 0 leaves the proxy to the environment (http_proxy, https_proxy, no_proxy), which
    // libcurl reads itself; "" turns every proxy off; a named proxy gets no bypass list.
    if (rc == CURLE_OK && session.accessType == 1)
        rc = curl_easy_setopt(m_easy, CURLOPT_PROXY, "");
    if (rc == CURLE_OK && session.accessType == 3) {
        rc = curl_easy_setopt(m_easy, CURLOPT_PROXY, session.proxyName.c_str());
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "");
    }
    // Certificates are checked against the system's store unless a test brought its own authority.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYPEER, 1L);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (rc == CURLE_OK && !m_settings.caFile.empty()) {
        rc = curl_easy_setopt(m_easy, CURLOPT_CAINFO, m_settings.caFile.c_str());
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_CAPATH, nullptr);
    }
    if (rc != CURLE_OK) {
        Report("httpConnect", curl_easy_strerror(rc));
        Fail(FetchFailure::Request, curl_easy_strerror(rc));
        return false;
    }
    return true;
}

bool CFetchTransfer::httpSetTimeouts()
{
    // How the four time-outs map onto libcurl:
    // - resolve and connect: libcurl bounds name resolution and connecting (TLS handshake included)
    //   with one limit, so it gets their sum.
    // - send: the socket's TCP_USER_TIMEOUT, set as each connection is made, ends a connection whose
    //   sent data stays unacknowledged that long.
    // - receive: a transfer that moves no byte at all for that long ends with the library's error.
    // Besides, the wait in waitForCallbackOrCancel ends a fetch that hears nothing for the silence
    // limit, which is shorter than the receive time-out.
    const long connectMs = static_cast<long>(m_settings.resolveTimeout) + static_cast<long>(m_settings.connectTimeout);
    const long receiveSeconds = std::max(1L, static_cast<long>(m_settings.receiveTimeout / 1000));
    m_sendTimeout = m_settings.sendTimeout;
    CURLcode rc = curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_LOW_SPEED_TIME, receiveSeconds);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SOCKOPTFUNCTION, &CFetchTransfer::SocketCallback);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SOCKOPTDATA, this);
    if (rc != CURLE_OK) {
        Report("httpSetTimeouts", curl_easy_strerror(rc));
        Fail(FetchFailure::Request, curl_easy_strerror(rc));
        return false;
    }
    return true;
}

bool CFetchTransfer::httpOpenRequest()
{
    CURLcode rc = CURLE_OK;
    if (m_settings.verb == "GET")
        rc = curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L);
    else
        rc = curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, m_settings.verb.c_str());
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    // Redirects are followed by the library, never from https down to http.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, m_https ? "https" : "http,https");
    std::vector<std::string> headers;
    if (m_settings.refresh) {
        headers.emplace_back("Cache-Control: no-cache");
        headers.emplace_back("Pragma: no-cache");
    }
    // The validators go back as the server sent them; the engine passes on only values that cannot
    // break the request's lines.
    const Validators& conditional = m_settings.conditional;
    if (!conditional.etag.empty())
        headers.push_back("If-None-Match: " + conditional.etag);
    if (!conditional.lastModified.empty())
        headers.push_back("If-Modified-Since: " + conditional.lastModified);
    for (const std::string& header : headers) {
        if (rc != CURLE_OK)
            break;
        curl_slist* list = curl_slist_append(m_requestHeaders, header.c_str());
        if (!list)
            rc = CURLE_OUT_OF_MEMORY;
        else
            m_requestHeaders = list;
    }
    if (rc == CURLE_OK && m_requestHeaders)
        rc = curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_requestHeaders);
    if (rc != CURLE_OK) {
        Report("httpOpenRequest", curl_easy_strerror(rc));
        Fail(FetchFailure::Request, curl_easy_strerror(rc));
        return false;
    }
    return true;
}

bool CFetchTransfer::httpSetStatusCallback()
{
    CURLcode rc = curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CFetchTransfer::HeaderCallback);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CFetchTransfer::BodyCallback);
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    // A tunnel's own "200 Connection established" is no answer to the request; a proxy that refuses
    // the tunnel is judged from the library's report when the transfer ends.
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(m_easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (rc != CURLE_OK) {
        Report("httpSetStatusCallback", curl_easy_strerror(rc));
        Fail(FetchFailure::Request, curl_easy_strerror(rc));
        return false;
    }
    return true;
}

bool CFetchTransfer::httpSendRequest()
{
    m_inHead = false;
    m_bodyAccepted = false;
    m_holding = false;
    m_pending = Step::Continue;
    const CURLMcode rc = curl_multi_add_handle(m_multi, m_easy);
    if (rc != CURLM_OK) {
        Report("httpSendRequest", curl_multi_strerror(rc));
        Fail(FetchFailure::Request, curl_multi_strerror(rc));
        return false;
    }
    m_added = true;
    return true;
}

void CFetchTransfer::waitForCallbackOrCancel()
{
    using namespace std::chrono;
    int failures = 0;
    while (!m_finished) {
        int running = 0;
        CURLMcode rc = curl_multi_perform(m_multi, &running);
        if (rc != CURLM_OK) {
            Report("QueryData failed", curl_multi_strerror(rc));
            Fail(FetchFailure::Request, curl_multi_strerror(rc));
            return;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy) {
                OnTransferDone(message->data.result);
                break;
            }
        }
        if (m_finished)
            return;
        if (m_cancel.Cancelled()) {
            Fail(FetchFailure::Cancelled);
            return;
        }
        // Silence ends a fetch, and so does the overall limit, which a server dripping bytes cannot
        // put off.
        const auto now = steady_clock::now();
        const auto silent = now - m_lastActivity;
        const auto elapsed = now - m_started;
        if (silent >= m_settings.silenceLimit || elapsed >= m_settings.timeLimit) {
            Fail(FetchFailure::TimedOut);
            return;
        }
        // A cancel wakes the poll at once; otherwise it returns when the library has work or a
        // limit comes near.
        const auto left
            = duration_cast<milliseconds>(std::min(m_settings.silenceLimit - silent, m_settings.timeLimit - elapsed))
                  .count()
            + 1;
        const int timeout = static_cast<int>(std::clamp<long long>(left, 1, 1000));
        rc = curl_multi_poll(m_multi, nullptr, 0, timeout, nullptr);
        if (rc == CURLM_OK) {
            failures = 0;
            continue;
        }
        // Bounded, so that a broken wait cannot keep a worker spinning.
        Report("CUrlEngine::waitForCallbackOrCancel curl_multi_poll call failed", curl_multi_strerror(rc));
        if (++failures >= kMaxWaitFailures) {
            Fail(FetchFailure::Request, curl_multi_strerror(rc));
            return;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
}

size_t CFetchTransfer::HeaderCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CFetchTransfer*>(self)->OnHeaderLine(std::string_view(data, size * count));
}

size_t CFetchTransfer::BodyCallback(char* data, size_t size, size_t count, void* self)
{
    return static_cast<CFetchTransfer*>(self)->OnBody(data, size * count);
}

int CFetchTransfer::SocketCallback(void* self, curl_socket_t socket, curlsocktype purpose)
{
    if (purpose == CURLSOCKTYPE_IPCXN) {
        const unsigned int timeout = static_cast<CFetchTransfer*>(self)->m_sendTimeout;
        // Best effort: a socket that refuses the option still works, only without the send limit.
        setsockopt(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeout, sizeof timeout);
    }
    return CURL_SOCKOPT_OK;
}

size_t CFetchTransfer::OnHeaderLine(std::string_view line)
{
    const size_t taken = line.size();
    m_lastActivity = std::chrono::steady_clock::now();
    // Every head of the transfer counts: a server must not grow one without end.
    m_headBytes += taken;
    if (m_headBytes > m_settings.maxHeaderSize) {
        m_headTooLarge = true;
        return 0;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);

    if (line.substr(0, 5) == "HTTP/") {
        // A new response in the same transfer: the one held before was answered by the library.
        m_holding = false;
        m_head = ResponseHead{};
        m_head.status = ParseStatusLine(line);
        m_inHead = true;
        m_bodyAccepted = false;
        return taken;
    }
    if (!m_inHead)
        return taken; // trailers after a chunked body
    if (line.empty()) {
        m_inHead = false;
        return OnHeadersComplete() ? taken : 0;
    }
    std::string_view name;
    std::string_view value;
    if (!SplitHeader(line, name, value))
        return taken;
    if (NameEquals(name, "WWW-Authenticate"))
        m_head.siteSchemes |= OfferedSchemes(value);
    else if (NameEquals(name, "Proxy-Authenticate"))
        m_head.proxySchemes |= OfferedSchemes(value);
    else if (NameEquals(name, "Location"))
        m_head.hasLocation = !value.empty();
    else if (NameEquals(name, "Content-Length"))
        m_head.badLength = m_head.badLength || !IsValidContentLength(value);
    else if (NameEquals(name, "Retry-After"))
        m_head.retryAfter = value.substr(0, 128);
    else if (NameEquals(name, "ETag"))
        m_head.etag = IsAcceptableValidator(value) ? value : std::string_view();
    else if (NameEquals(name, "Last-Modified")) {
        m_head.hasLastModified = true;
        m_head.lastModified = value;
    }
    return taken;
}

bool CFetchTransfer::OnHeadersComplete()
{
    const int status = m_head.status;
    if (m_head.badLength) {
        // The library reads such a body to the connection's end and calls it whole: it is not.
        m_badLength = true;
        return false;
    }
    if (status >= 100 && status < 200)
        return true; // an interim response; the real one follows
    // Responses the library may answer by itself wait for the end of the transfer to be judged.
    if ((IsFollowedRedirect(status) && m_head.hasLocation) || (status == 401 && m_siteAuthApplied)
        || (status == 407 && m_proxyAuthApplied)) {
        m_holding = true;
        m_held = HeldResponse{status, status == 407 ? m_head.proxySchemes : m_head.siteSchemes};
        return true;
    }
    if (status == 304 && !m_settings.conditional.empty()) {
        // Nothing follows a 304: the transfer ends by itself and its connection stays open for the
        // next page of the host.
        StatusStep(status, 0);
        return true;
    }
    if (status >= 0) {
        const Step step = StatusStep(status, status == 407 ? m_head.proxySchemes : m_head.siteSchemes);
        if (step != Step::Continue) {
            // The rest of this response is not read: stop the transfer here.
            m_pending = step;
            return false;
        }
    }
    ReadLastModified();
    m_bodyAccepted = true;
    return true;
}

size_t CFetchTransfer::OnBody(const char* data, size_t count)
{
    m_lastActivity = std::chrono::steady_clock::now();
    if (!m_bodyAccepted) {
        // The body of a response the library answers itself is skipped, but not without end.
        m_discarded += count;
        if (m_discarded > m_settings.maxBodySize) {
            m_tooLarge = true;
            return 0;
        }
        return count;
    }
    if (m_outcome.body.size() + count > m_settings.maxBodySize) {
        m_tooLarge = true;
        return 0;
    }
    AppendBody(data, count);
    return count;
}

void CFetchTransfer::AppendBody(const char* data, size_t count)
{
    // The size is a 32-bit count in the record, so a body stops growing at the largest size it can hold.
    const int kilobytesBefore = m_outcome.dataReceived ? static_cast<int>(m_outcome.body.size() / 1024) : -1;
    const size_t room = static_cast<size_t>(INT32_MAX) - m_outcome.body.size();
    if (count > room)
        count = room;
    if (count > 0)
        m_outcome.body.append(data, count);
    m_outcome.dataReceived = true;
    // Many small reads within one kilobyte would report the same step again and again; a report
    // comes at each 5 KB step, and at the first read.
    const int kilobytes = static_cast<int>(m_outcome.body.size() / 1024);
    if (kilobytes != kilobytesBefore && kilobytes % 5 == 0 && m_progress)
        m_progress->OnFetchProgress(kilobytes, m_outcome.body.size());
}

CFetchTransfer::Step CFetchTransfer::StatusStep(int status, unsigned offered)
{
    const int previous = m_outcome.httpStatus;
    Step step = Step::Finish;
    switch (status) {
    case 200:
        step = Step::Continue;
        break;
    case 401:
        m_siteScheme = ToCurlAuth(ChooseScheme(offered));
        if (previous == 401 || m_repeatedRequests >= m_settings.maxRepeatedRequests)
            m_outcome.failure = FetchFailure::AuthFailed;
        else
            step = Step::Resend;
        break;
    case 407:
        m_proxyScheme = ToCurlAuth(ChooseScheme(offered));
        if (previous == 407 || m_repeatedRequests >= m_settings.maxRepeatedRequests)
            m_outcome.failure = FetchFailure::ProxyAuthFailed;
        else
            step = Step::Resend;
        break;
    case 404:
        m_outcome.failure = FetchFailure::NotFound;
        break;
    case 502:
        m_outcome.failure = FetchFailure::BadGateway;
        break;
    case 304:
        if (m_settings.conditional.empty())
            m_outcome.failure = FetchFailure::HttpStatus; // no question was asked that it answers
        else
            TakeNotModified();
        break;
    case 429:
    case 503:
        if (!TakeHostBusy(status))
            m_outcome.failure = FetchFailure::HttpStatus;
        break;
    default:
        m_outcome.failure = FetchFailure::HttpStatus;
        break;
    }
    if (step != Step::Finish)
        m_outcome.failure = FetchFailure::None;
    m_outcome.complete = false;
    m_outcome.httpStatus = status;
    return step;
}

bool CFetchTransfer::TakeHostBusy(int status)
{
    const int64_t now = Clock::Now();
    int64_t wait = 0;
    if (ParseRetryAfter(m_head.retryAfter, now, kMaxRetryAfter, wait))
        m_outcome.retryAt = now + wait;
    else if (status == 429)
        m_outcome.retryAt = 0; // the engine chooses the back-off
    else
        return false; // a 503 that does not say when is an ordinary failure
    m_outcome.failure = FetchFailure::HostBusy;
    return true;
}

void CFetchTransfer::TakeNotModified()
{
    m_outcome.notModified = true;
    m_outcome.failure = FetchFailure::None;
    // A 304 need not repeat the date; one it repeats is judged like that of a 200.
    int64_t seconds = 0;
    m_outcome.headRead = m_head.hasLastModified && ParseLastModified(m_head.lastModified, seconds);
    if (m_outcome.headRead)
        m_outcome.lastModified = seconds;
    TakeValidators();
}

void CFetchTransfer::TakeValidators()
{
    m_outcome.validators.etag = m_head.etag;
    m_outcome.validators.lastModified
        = IsAcceptableValidator(m_head.lastModified) ? m_head.lastModified : std::string();
}

void CFetchTransfer::ReadLastModified()
{
    // Only a response whose body is taken gets here (200, or a status that could not be read), so
    // a challenge or an error page never touches the date.
    int64_t seconds = 0;
    m_outcome.headRead = true;
    TakeValidators();
    if (m_head.hasLastModified && ParseLastModified(m_head.lastModified, seconds))
        m_outcome.lastModified = seconds;
    else
        m_outcome.lastModified.reset();
}

void CFetchTransfer::OnTransferDone(CURLcode result)
{
    if (m_tooLarge) {
        // A page this large is not kept: hostile or endless, it must not exhaust memory.
        std::string().swap(m_outcome.body);
        m_outcome.dataReceived = false;
        Fail(FetchFailure::TooLarge);
        return;
    }
    if (m_headTooLarge || (IsHeaderTooLarge(result) && !m_bodyAccepted)) {
        Fail(FetchFailure::HeaderTooLarge);
        return;
    }
    if (m_badLength) {
        Fail(FetchFailure::BadContentLength);
        return;
    }
    if (m_pending == Step::Resend) {
        SendAgain();
        return;
    }
    if (m_pending == Step::Finish) {
        m_finished = true;
        return;
    }
    if (result != CURLE_OK) {
        long connectCode = 0;
        curl_easy_getinfo(m_easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
        if (connectCode == 407) {
            // The proxy refused the tunnel for want of credentials: answered as a 407 response.
            long available = 0;
            curl_easy_getinfo(m_easy, CURLINFO_PROXYAUTH_AVAIL, &available);
            if (StatusStep(407, FromCurlAuth(available)) == Step::Resend)
                SendAgain();
            else
                m_finished = true;
            return;
        }
        // A request error: the library's own message, the most specific one it has.
        std::string text(HttpHeaders::Trim(m_errorBuffer));
        if (text.empty())
            text = curl_easy_strerror(result);
        Report("request error", text);
        Fail(FetchFailure::Request, text);
        return;
    }
    if (m_holding) {
        // The library left this response unanswered: it is the server's last word.
        m_holding = false;
        if (StatusStep(m_held.status, m_held.offered) == Step::Resend)
            SendAgain();
        else
            m_finished = true;
        return;
    }
    if (m_bodyAccepted) {
        m_outcome.complete = true;
        m_outcome.failure = FetchFailure::None;
    }
    m_finished = true;
}

void CFetchTransfer::SendAgain()
{
    curl_multi_remove_handle(m_multi, m_easy);
    m_added = false;
    ++m_repeatedRequests;
    m_errorBuffer[0] = '\0';
    m_discarded = 0;
    m_headBytes = 0;
    CURLcode rc = CURLE_OK;
    if (m_siteScheme != CURLAUTH_NONE) {
        rc = curl_easy_setopt(m_easy, CURLOPT_HTTPAUTH, m_siteScheme);
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_USERNAME, m_page.m_strUserName.c_str());
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_PASSWORD, m_page.m_strPassword.c_str());
        m_siteAuthApplied = rc == CURLE_OK;
    }
    if (rc == CURLE_OK && m_proxyScheme != CURLAUTH_NONE) {
        rc = curl_easy_setopt(m_easy, CURLOPT_PROXYAUTH, m_proxyScheme);
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_PROXYUSERNAME, m_settings.proxyUser.c_str());
        if (rc == CURLE_OK)
            rc = curl_easy_setopt(m_easy, CURLOPT_PROXYPASSWORD, m_settings.proxyPassword.c_str());
        m_proxyAuthApplied = rc == CURLE_OK;
    }
    if (rc != CURLE_OK) {
        Report("httpSendRequest", curl_easy_strerror(rc));
        Fail(FetchFailure::Request, curl_easy_strerror(rc));
        return;
    }
    httpSendRequest();
}

void CFetchTransfer::Fail(FetchFailure failure, std::string detail)
{
    m_outcome.complete = false;
    m_outcome.notModified = false;
    m_outcome.failure = failure;
    m_outcome.detail = std::move(detail);
    m_finished = true;
}

void CFetchTransfer::Report(const std::string& step, const std::string& systemText) const
{
    if (m_reporter)
        m_reporter(step, systemText);
}
