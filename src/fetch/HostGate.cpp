#include "fetch/HostGate.h"

#include "platform/UrlCracker.h"

#include <algorithm>
#include <cctype>

using std::chrono::steady_clock;

void CHostGate::SetLimits(int concurrency, std::chrono::milliseconds delay)
{
    std::lock_guard lock(m_mutex);
    m_concurrency = std::max(1, concurrency);
    m_delay = std::max(std::chrono::milliseconds(0), delay);
}

CHostGate::Admission CHostGate::TryAcquire(const std::string& host)
{
    const SteadyTime now = steady_clock::now();
    std::lock_guard lock(m_mutex);
    HostState& state = m_hosts[host];
    if (now < state.heldUntil)
        return {false, state.heldUntil, true, state.wallHeldUntil};
    if (now < state.nextStart)
        return {false, state.nextStart};
    if (state.inFlight >= m_concurrency)
        return {false, std::nullopt};
    ++state.inFlight;
    state.nextStart = now + m_delay;
    return {true, std::nullopt};
}

void CHostGate::Release(const std::string& host)
{
    std::lock_guard lock(m_mutex);
    auto it = m_hosts.find(host);
    if (it == m_hosts.end())
        return;
    if (it->second.inFlight > 0)
        --it->second.inFlight;
    Forget(host, it->second);
}

void CHostGate::HoldFor(const std::string& host, std::chrono::seconds wait, int64_t wallUntil)
{
    wait = std::clamp(wait, std::chrono::seconds(0), kMaxHold);
    const SteadyTime until = steady_clock::now() + wait;
    std::lock_guard lock(m_mutex);
    HostState& state = m_hosts[host];
    // Two answers in a row: the later end wins, so the host is never called back early.
    if (until > state.heldUntil) {
        state.heldUntil = until;
        state.wallHeldUntil = wallUntil;
    }
}

std::chrono::seconds CHostGate::BackOff(const std::string& host, int64_t wallNow)
{
    std::chrono::seconds wait;
    {
        std::lock_guard lock(m_mutex);
        HostState& state = m_hosts[host];
        wait = state.lastBackOff.count() == 0 ? kFirstBackOff : std::min(state.lastBackOff * 2, kMaxBackOff);
        state.lastBackOff = wait;
    }
    HoldFor(host, wait, wallNow + wait.count());
    return wait;
}

void CHostGate::Answered(const std::string& host)
{
    std::lock_guard lock(m_mutex);
    auto it = m_hosts.find(host);
    if (it != m_hosts.end())
        it->second.lastBackOff = std::chrono::seconds(0);
}

std::optional<int64_t> CHostGate::HeldUntil(const std::string& host) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_hosts.find(host);
    if (it == m_hosts.end() || steady_clock::now() >= it->second.heldUntil)
        return std::nullopt;
    return it->second.wallHeldUntil;
}

std::string CHostGate::HostKeyOf(const std::string& url)
{
    const Result<CrackedUrl> parts = CrackUrl(url);
    if (!parts)
        return {};
    std::string key = parts->scheme + "://" + parts->host + ":" + std::to_string(parts->port);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    return key;
}

void CHostGate::Forget(const std::string& host, const HostState& state)
{
    const SteadyTime now = steady_clock::now();
    if (state.inFlight == 0 && state.nextStart <= now && state.heldUntil <= now && state.lastBackOff.count() == 0)
        m_hosts.erase(host);
}
