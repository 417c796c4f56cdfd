#include "fetch/CurlSession.h"

namespace {

// Idle multi handles kept beyond this (more workers than ever run at once) are closed.
constexpr size_t kMaxIdleMultis = 64;

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

std::unique_ptr<CCurlSession> CCurlSession::Open(std::string& error)
{
    InitLibraryOnce();
    std::unique_ptr<CCurlSession> session(new CCurlSession);
    session->m_share = curl_share_init();
    if (!session->m_share) {
        error = curl_share_strerror(CURLSHE_NOMEM);
        return nullptr;
    }
    CURLSHcode rc = curl_share_setopt(session->m_share, CURLSHOPT_LOCKFUNC, &CCurlSession::LockData);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_UNLOCKFUNC, &CCurlSession::UnlockData);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_USERDATA, session.get());
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    if (rc != CURLSHE_OK) {
        error = curl_share_strerror(rc);
        return nullptr;
    }
    return session;
}

CCurlSession::~CCurlSession()
{
    // The multi handles own the open connections; close them before the share they resolved through.
    for (CURLM* multi : m_idleMultis)
        curl_multi_cleanup(multi);
    if (m_share)
        curl_share_cleanup(m_share);
}

CURLM* CCurlSession::AcquireMulti()
{
    {
        std::lock_guard lock(m_poolMutex);
        if (!m_idleMultis.empty()) {
            CURLM* multi = m_idleMultis.back();
            m_idleMultis.pop_back();
            return multi;
        }
    }
    return curl_multi_init();
}

void CCurlSession::ReleaseMulti(CURLM* multi)
{
    if (!multi)
        return;
    {
        std::lock_guard lock(m_poolMutex);
        if (m_idleMultis.size() < kMaxIdleMultis) {
            m_idleMultis.push_back(multi);
            return;
        }
    }
    curl_multi_cleanup(multi);
}

void CCurlSession::LockData(CURL*, curl_lock_data data, curl_lock_access, void* self)
{
    auto* session = static_cast<CCurlSession*>(self);
    if (data >= 0 && static_cast<size_t>(data) < session->m_dataLocks.size())
        session->m_dataLocks[static_cast<size_t>(data)].lock();
}

void CCurlSession::UnlockData(CURL*, curl_lock_data data, void* self)
{
    auto* session = static_cast<CCurlSession*>(self);
    if (data >= 0 && static_cast<size_t>(data) < session->m_dataLocks.size())
        session->m_dataLocks[static_cast<size_t>(data)].unlock();
}
