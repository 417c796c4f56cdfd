#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// Keeps the requests to each host polite: at most so many at a time, at least so long between two
// starts, and none while the host asked to be left alone (Retry-After, or a 429 without one). Hosts are
// independent: one that is busy or held back never delays another. Safe from any thread.
class CHostGate
{
public:
    using SteadyTime = std::chrono::steady_clock::time_point;

    // The answer to a request for a slot.
    struct Admission
    {
        bool admitted = false;
        // When not admitted: the earliest moment the host may admit again because of time alone (its
        // delay or hold); none when it waits only for a request in progress to end.
        std::optional<SteadyTime> retryAt;
        // Not admitted because the host asked to be left alone until wallHeldUntil (seconds since 1970),
        // not merely because of the pause between two requests.
        bool held = false;
        int64_t wallHeldUntil = 0;
    };

    // Limits for the requests that start from now on: concurrency at least 1, delay at least 0.
    void SetLimits(int concurrency, std::chrono::milliseconds delay);

    // Takes a slot of the host when its limits allow it now; give it back with Release.
    Admission TryAcquire(const std::string& host);
    void Release(const std::string& host);

    // The host asked to be left alone for this long (capped at kMaxHold); wallUntil is the same moment
    // in seconds since 1970, for the words shown to the user.
    void HoldFor(const std::string& host, std::chrono::seconds wait, int64_t wallUntil);
    // A 429 without Retry-After: each one in a row holds the host twice as long, from kFirstBackOff
    // up to kMaxBackOff. Returns the hold chosen.
    std::chrono::seconds BackOff(const std::string& host, int64_t wallNow);
    // A request of the host was answered normally: the next 429 starts the back-off anew.
    void Answered(const std::string& host);
    // Seconds since 1970 until which the host is held back; none when it is not.
    std::optional<int64_t> HeldUntil(const std::string& host) const;

    // The key for the host of an address: scheme, host and port in lowercase; "" when it has none.
    static std::string HostKeyOf(const std::string& url);

    static constexpr std::chrono::seconds kMaxHold{3600};
    static constexpr std::chrono::seconds kFirstBackOff{30};
    static constexpr std::chrono::seconds kMaxBackOff{600};

private:
    struct HostState
    {
        int inFlight = 0;
        SteadyTime nextStart{};
        SteadyTime heldUntil{};
        int64_t wallHeldUntil = 0;
        std::chrono::seconds lastBackOff{0};
    };
    // Drops the state of hosts that hold nothing any more, so the table does not grow with the list.
    void Forget(const std::string& host, const HostState& state);

    mutable std::mutex m_mutex;
    int m_concurrency = 2;
    std::chrono::milliseconds m_delay{0};
    std::unordered_map<std::string, HostState> m_hosts;
};
