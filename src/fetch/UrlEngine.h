#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CCurlSession;
class Curl;

// Downloads one page for one record with an HTTP GET and leaves the outcome in the record
// (body, HTTP status, Last-Modified, complete flag, error text). One engine serves all workers.
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
    // Returns when the download has ended in any way. It first resets the record's HTTP status (0),
    // complete flag and body, then leaves the outcome:
    //   200, whole body read:          complete, status 200, the body, error text unchanged
    //   request error (connect, TLS,
    //   cut-off body, bad address):    not complete, status so far (0 if none), what arrived, library message
    //   404:                           not complete, 404, no body, "Not found, 404"
    //   502:                           not complete, 502, no body, "Proxy error, bad gateway"
    //                                  (status text "Proxy error - bad gateway")
    //   any other status:              not complete, that status, no body, "HTTP error, <status>"
    //   second 401 / 407:              not complete, 401 / 407, no body,
    //                                  "Authentication failed, 401" / "Proxy authentication failed, 407"
    //   silence for the limit, or the
    //   fetch time limit reached:      not complete, status so far, what arrived, "Timed out"
    //   head past kMaxHeaderSize:      not complete, status so far, no body, "Response header too large"
    //   Content-Length not a number:   not complete, status so far, no body, "Invalid Content-Length"
    //   cancel:                        not complete, status so far, what arrived, "Cancelled"
    //   body past kMaxBodySize:        not complete, status so far, no body, "Page too large"
    // Last-Modified is taken only from a 200 response: known and the date (0 before 1900), or not known.
    // Redirects are followed; the outcome is that of the last response.
    void fetch(Curl& record);
    // Reads the settings every fetch uses (time-outs, user agent, proxy), so that saved preferences
    // apply to the next fetch.
    void loadSettings();

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
    // nullptr, with the library's reason in error, when it cannot be opened.
    CCurlSession* openSession(std::string& error);
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
};
