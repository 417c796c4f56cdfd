#pragma once

#include "fetch/FetchOutcome.h"
#include "fetch/HostGate.h"
#include "platform/Error.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CCurlSession;
struct CurlSettings;

// Downloads one page with an HTTP GET and returns what it found (FetchOutcome): the body, the HTTP
// status, Last-Modified, and why it failed. It writes into nothing else. One engine serves all workers.
class CUrlEngine
{
public:
    CUrlEngine();
    ~CUrlEngine();
    CUrlEngine(const CUrlEngine&) = delete;
    CUrlEngine& operator=(const CUrlEngine&) = delete;

    // Replaces the user agent of the settings for the fetches that start afterwards (tests).
    void setUserAgent(const std::string& userAgent);
    // Ends every fetch in progress at once; a fetch that starts afterwards runs normally.
    void cancel();
    // Returns when the download of the page's address has ended in any way, with its outcome:
    //   200, whole body read:          complete, status 200, the body
    //   request error (connect, TLS,
    //   cut-off body, bad address):    Request, status so far (0 if none), what arrived, library message
    //   404:                           NotFound, 404, no body
    //   502:                           BadGateway, 502, no body
    //   any other status:              HttpStatus, that status, no body
    //   second 401 / 407:              AuthFailed / ProxyAuthFailed, 401 / 407, no body
    //   silence for the limit, or the
    //   fetch time limit reached:      TimedOut, status so far, what arrived
    //   head past kMaxHeaderSize:      HeaderTooLarge, status so far, no body
    //   Content-Length not a number:   BadContentLength, status so far, no body
    //   cancel:                        Cancelled, status so far, what arrived
    //   body past kMaxBodySize:        TooLarge, status so far, no body
    //   429, or 503 with Retry-After:  HostBusy, that status, no body, retryAt; the host is held back
    //                                  (hosts()) until then; a 429 without Retry-After backs it off
    //   304 to a conditional request:  notModified, 304, no body (a 304 to a request without
    //                                  validators is an HttpStatus failure)
    // conditional, when not empty, is sent as If-None-Match / If-Modified-Since; values that could
    // break the request are not sent. validators has those of the 200 or 304 that answered.
    // Last-Modified is taken only from a 200 response (headRead), or from a 304 that carries it. Redirects are
    // followed; the outcome is that of the last response. The page's credentials answer a site's challenge; progress,
    // when given, hears of the body as it grows, on this thread.
    FetchOutcome fetch(const CurlSettings& page, IFetchProgress* progress = nullptr,
                       const Validators& conditional = {});
    // Reads the settings every fetch uses (time-outs, user agent, proxy), so that saved preferences
    // apply to the next fetch.
    void loadSettings();

    // Who may ask which host when: the check run takes a slot here before each fetch and gives it back
    // after. A fetch made without a slot (a single page the user asked for) is not held back.
    CHostGate& hosts() { return m_hosts; }
    // Applies hostConcurrency and hostDelayMs to the requests that start from now on.
    void loadHostLimits();

    // A fetch that hears nothing from the server (no header line, no body bytes) for this long ends
    // as "Timed out". 30 seconds unless changed; tests shorten it.
    void setSilenceLimit(std::chrono::milliseconds limit);
    // Trusts the certificate authorities in this PEM file instead of the system's store. Meant for
    // tests that bring their own authority; an empty path restores the system store.
    void setCaFile(const std::string& path);

    // The request flag that asks proxies and caches for a fresh copy.
    static constexpr uint32_t kFlagRefresh = 0x100;
    // A body that would grow past this ends the fetch as "Page too large".
    static constexpr size_t kMaxBodySize = 64u * 1024 * 1024;
    static constexpr size_t kMaxHeaderSize = 256u * 1024;
    // Answers to authentication challenges allowed in one fetch (a server and a proxy that keep
    // challenging in turn would otherwise never end).
    static constexpr int kMaxRepeatedRequests = 4;

private:
    // Opens the session at the first fetch, exactly once however many workers start together.
    // Fails with the library's reason when it cannot be opened.
    Result<CCurlSession*> openSession();
    void reportError(const std::string& step, const std::string& systemText) const;

    // Time-outs in milliseconds, in the order they are applied.
    uint32_t m_resolveTimeout = 1000;
    uint32_t m_connectTimeout = 1; // replaced by loadSettings before every fetch
    uint32_t m_sendTimeout = 10000;
    uint32_t m_receiveTimeout = 60000;
    std::chrono::milliseconds m_timeLimit{0};
    std::string m_userAgent;
    std::string m_userAgentOverride;
    // 0 = the system's proxy configuration, 1 = no proxy, 3 = named proxy.
    int m_accessType = 0;
    std::string m_proxyName;
    std::string m_proxyUser;
    std::string m_proxyPassword;
    std::string m_verb = "GET";
    uint32_t m_requestFlags = kFlagRefresh;

    // Guards the values loadSettings writes and the test settings above them.
    std::mutex m_settingsMutex;
    std::chrono::milliseconds m_silenceLimit{30000};
    std::string m_caFile;

    // Guards opening the session.
    std::mutex m_sessionMutex;
    std::unique_ptr<CCurlSession> m_session;

    // Cancelling bumps the generation; a fetch ends when the generation differs from the one it
    // started with, so a cancel never leaks into a fetch that starts afterwards.
    std::mutex m_activeMutex;
    std::atomic<uint64_t> m_cancelGeneration{0};
    std::vector<void*> m_activeWaits; // multi handles of the fetches in progress, woken by cancel

    CHostGate m_hosts;
};
