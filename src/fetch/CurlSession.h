#pragma once

#include "platform/Error.h"

#include <curl/curl.h>

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The engine's session, opened once and kept for the engine's life. The share handle keeps
// the DNS cache and TLS sessions for every fetch. Connections are kept in multi handles that the
// fetches borrow one at a time and hand back, so a later page on the same server reuses an open
// connection; libcurl does not support one connection cache used by concurrent threads, so the
// connections are not put in the share. A fetch borrows the handle that last served its host when
// one is idle: with pages of many hosts in turn, any idle handle would rarely hold the connection.
class CCurlSession
{
public:
    // Fails (Internal, the library's reason) when the share handle cannot be made.
    static Result<std::unique_ptr<CCurlSession>> Open();
    ~CCurlSession();
    CCurlSession(const CCurlSession&) = delete;
    CCurlSession& operator=(const CCurlSession&) = delete;

    CURLSH* Share() const { return m_share; }

    // A multi handle for one fetch to the host (CHostGate::HostKeyOf; nullptr when none can be made);
    // give it back with the same host when the fetch ends.
    CURLM* AcquireMulti(const std::string& host);
    void ReleaseMulti(CURLM* multi, const std::string& host);

private:
    CCurlSession() = default;
    static void LockData(CURL* handle, curl_lock_data data, curl_lock_access access, void* self);
    static void UnlockData(CURL* handle, curl_lock_data data, void* self);

    CURLSH* m_share = nullptr;
    // One lock per kind of shared data, as libcurl asks.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_dataLocks;
    std::mutex m_poolMutex;
    struct IdleMulti
    {
        CURLM* multi;
        // The host of its last fetch, whose connection it most likely still holds.
        std::string host;
    };
    // The most recently given back last.
    std::vector<IdleMulti> m_idleMultis;
};
