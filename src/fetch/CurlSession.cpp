#include "fetch/CurlSession.h"

#include <algorithm>
#include <iterator>

namespace {

// Idle multi handles kept beyond this (more workers than ever run at once) are closed.
constexpr size_t kMaxIdleMultis = 64;
// Open connections each multi handle keeps: that of its host, and a few of hosts it served before.
constexpr long kConnectionsPerMulti = 4;

void InitLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

Result<std::unique_ptr<CCurlSession>> CCurlSession::Open()
{
    InitLibraryOnce();
    std::unique_ptr<CCurlSession> session(new CCurlSession);
    session->m_share = curl_share_init();
    if (!session->m_share)
        return MakeError(ErrorKind::Internal, curl_share_strerror(CURLSHE_NOMEM));
    CURLSHcode rc = curl_share_setopt(session->m_share, CURLSHOPT_LOCKFUNC, &CCurlSession::LockData);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_UNLOCKFUNC, &CCurlSession::UnlockData);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_USERDATA, session.get());
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    if (rc == CURLSHE_OK)
        rc = curl_share_setopt(session->m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    if (rc != CURLSHE_OK)
        return MakeError(ErrorKind::Internal, curl_share_strerror(rc));
    return session;
}

CCurlSession::~CCurlSession()
{
    // The multi handles own the open connections; close them before the share they resolved through.
    for (const IdleMulti& idle : m_idleMultis)
        curl_multi_cleanup(idle.multi);
    if (m_share)
        curl_share_cleanup(m_share);
}

CURLM* CCurlSession::AcquireMulti(const std::string& host)
{
    {
        std::lock_guard lock(m_poolMutex);
        auto it = std::find_if(m_idleMultis.rbegin(), m_idleMultis.rend(),
                               [&host](const IdleMulti& idle) { return idle.host == host; });
        std::vector<IdleMulti>::iterator taken = m_idleMultis.end();
        if (it != m_idleMultis.rend())
            taken = std::prev(it.base());
        // A host none of them served gets a handle of its own while there is room, so that the
        // others keep their hosts' connections (pages of many hosts in turn would otherwise take
        // each one's handle just before it is wanted back); then the one idle longest.
        else if (m_idleMultis.size() >= kMaxIdleMultis)
            taken = m_idleMultis.begin();
        if (taken != m_idleMultis.end()) {
            CURLM* multi = taken->multi;
            m_idleMultis.erase(taken);
            return multi;
        }
    }
    CURLM* multi = curl_multi_init();
    // By default a multi handle keeps four connections per transfer added to it: with the transfer
    // removed at the end of each fetch, it would keep none.
    if (multi)
        curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, kConnectionsPerMulti);
    return multi;
}

void CCurlSession::ReleaseMulti(CURLM* multi, const std::string& host)
{
    if (!multi)
        return;
    {
        std::lock_guard lock(m_poolMutex);
        if (m_idleMultis.size() < kMaxIdleMultis) {
            m_idleMultis.push_back({multi, host});
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
