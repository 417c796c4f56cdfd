#include "platform/Clock.h"

#include <atomic>
#include <ctime>
#include <mutex>

namespace {

std::mutex g_mutex;
std::function<int64_t()> g_override;
std::atomic<bool> g_overridden{false};

} // namespace

namespace Clock {

int64_t Now()
{
    if (g_overridden.load(std::memory_order_acquire)) {
        std::lock_guard lock(g_mutex);
        if (g_override)
            return g_override();
    }
    return static_cast<int64_t>(std::time(nullptr));
}

void SetForTesting(std::function<int64_t()> now)
{
    std::lock_guard lock(g_mutex);
    g_override = std::move(now);
    g_overridden.store(static_cast<bool>(g_override), std::memory_order_release);
}

} // namespace Clock
