#include "notify/OutboxWorker.h"

#include "notify/OutboxDelivery.h"

#include <chrono>

namespace {
// A pass ends at the latest after this; what still runs is tried again in the next one.
constexpr int kPassSeconds = 120;
} // namespace

COutboxWorker::COutboxWorker(std::string storageFolder, int pollSeconds)
    : m_storageFolder(std::move(storageFolder))
    , m_pollSeconds(pollSeconds)
{
    try {
        m_thread = std::thread([this] { Loop(); });
    } catch (const std::system_error&) {
        // Without the thread the rows wait for the next run's own delivery or the next start.
    }
}

COutboxWorker::~COutboxWorker()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void COutboxWorker::Wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wake.notify_all();
}

void COutboxWorker::Loop()
{
    while (!m_stop) {
        DeliverOutbox(m_storageFolder, nullptr, kPassSeconds, &m_stop);
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::seconds(m_pollSeconds), [this] { return m_woken || m_stop.load(); });
        m_woken = false;
    }
}
