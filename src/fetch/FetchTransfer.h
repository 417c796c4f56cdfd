#pragma once

#include "fetch/FetchOutcome.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CCurlSession;
struct CurlSettings;

// What one fetch takes from the engine, copied when the fetch starts.
struct FetchSettings
{
    // Milliseconds.
    uint32_t resolveTimeout = 0;
    uint32_t connectTimeout = 0;
    uint32_t sendTimeout = 0;
    uint32_t receiveTimeout = 0;
    std::string verb;
    bool refresh = false; // ask proxies and caches for a fresh copy
    std::chrono::milliseconds silenceLimit{0};
    size_t maxBodySize = 0;
    int maxRepeatedRequests = 0;
    std::string caFile; // empty: the system's certificate store
    // The whole fetch, redirects and repeated requests included, ends as "Timed out" after this.
    std::chrono::milliseconds timeLimit{0};
    // A response head (status line and header lines) larger than this fails the fetch.
    size_t maxHeaderSize = 0;
    std::string userAgent;
    int accessType = 0; // 0 = system configuration, 1 = no proxy, 3 = named proxy
    std::string proxyName; // "server:port" for access type 3
    // Sent when a proxy asks for credentials.
    std::string proxyUser;
    std::string proxyPassword;
    // Sent as If-None-Match / If-Modified-Since when not empty: a 304 then means the page is unchanged.
    Validators conditional;
};

// Tells a fetch whether the user cancelled after it started.
struct CancelWatch
{
    const std::atomic<uint64_t>* generation = nullptr;
    uint64_t startGeneration = 0;
    bool Cancelled() const { return generation && generation->load() != startGeneration; }
};

// One fetch of one page: the request, what the engine does with each response, and the wait for
// the download to end. Everything it finds goes into the outcome it was given.
class CFetchTransfer
{
public:
    // Receives a failed step's message and the library's text for it.
    using Reporter = std::function<void(const std::string& step, const std::string& systemText)>;

    // url is the page's address as the URL cracker rebuilt it; the credentials are the page's.
    CFetchTransfer(const CurlSettings& page, std::string url, const CCurlSession& session,
                   const FetchSettings& settings, CURLM* multi, const CancelWatch& cancel, Reporter reporter,
                   FetchOutcome& outcome, IFetchProgress* progress);
    ~CFetchTransfer();
    CFetchTransfer(const CFetchTransfer&) = delete;
    CFetchTransfer& operator=(const CFetchTransfer&) = delete;

    // Sends the request and returns when the download has ended in any way.
    void Run();

private:
    enum class Step
    {
        Continue, // read this response's body
        Resend, // answer a challenge with the same request
        Finish, // the fetch is over; the outcome is complete
    };
    // A response whose fate depends on whether libcurl answers it itself: a redirect it follows, or a
    // leg of an authentication handshake it completes. Judged when the transfer ends on it.
    struct HeldResponse
    {
        int status = 0;
        unsigned offered = 0;
    };
    // What the head of the response being received says.
    struct ResponseHead
    {
        int status = -1;
        unsigned siteSchemes = 0;
        unsigned proxySchemes = 0;
        bool hasLocation = false;
        bool hasLastModified = false;
        bool badLength = false; // a Content-Length that is no number or does not fit one
        std::string lastModified;
        std::string etag;
        std::string retryAfter;
    };

    bool httpConnect();
    bool httpSetTimeouts();
    bool httpOpenRequest();
    bool httpSetStatusCallback();
    bool httpSendRequest();
    void waitForCallbackOrCancel();

    static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
    static size_t BodyCallback(char* data, size_t size, size_t count, void* self);
    static int SocketCallback(void* self, curl_socket_t socket, curlsocktype purpose);
    size_t OnHeaderLine(std::string_view line);
    bool OnHeadersComplete();
    size_t OnBody(const char* data, size_t count);

    // The engine's reaction to a response status; records the status.
    Step StatusStep(int status, unsigned offered);
    // A 429, or a 503 that says when to come back: the host is busy, the page has not failed.
    bool TakeHostBusy(int status);
    void ReadLastModified();
    // A 304 to a conditional request: unchanged, with what the 304 says of the page's date and
    // validators.
    void TakeNotModified();
    void TakeValidators();
    void OnTransferDone(CURLcode result);
    void SendAgain();
    void Fail(FetchFailure failure, std::string detail = {});
    void AppendBody(const char* data, size_t count);
    void Report(const std::string& step, const std::string& systemText) const;

    const CurlSettings& m_page;
    FetchOutcome& m_outcome;
    IFetchProgress* m_progress;
    const CCurlSession& m_session;
    const FetchSettings& m_settings;
    CURLM* m_multi;
    CancelWatch m_cancel;
    Reporter m_reporter;

    CURL* m_easy = nullptr;
    curl_slist* m_requestHeaders = nullptr;
    bool m_added = false;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::string m_url;
    bool m_https = false;
    unsigned m_sendTimeout = 0; // for the socket option callback

    bool m_finished = false;
    Step m_pending = Step::Continue; // set by a callback that stopped the transfer
    bool m_tooLarge = false;
    bool m_headTooLarge = false;
    bool m_badLength = false;
    size_t m_headBytes = 0;
    int m_repeatedRequests = 0;
    // Credentials chosen by a challenge, applied when the request is sent again.
    long m_siteScheme = CURLAUTH_NONE;
    long m_proxyScheme = CURLAUTH_NONE;
    bool m_siteAuthApplied = false;
    bool m_proxyAuthApplied = false;

    bool m_inHead = false;
    bool m_bodyAccepted = false;
    bool m_holding = false;
    HeldResponse m_held;
    ResponseHead m_head;
    size_t m_discarded = 0;
    std::chrono::steady_clock::time_point m_lastActivity;
    std::chrono::steady_clock::time_point m_started;
};
