#include "run/RunMessageQueue.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CRunMessageQueue::CRunMessageQueue()
    : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{ }

CRunMessageQueue::~CRunMessageQueue()
{
    if (m_wakeFd >= 0)
        close(m_wakeFd);
}

void CRunMessageQueue::Post(std::function<void()> task)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const bool wasEmpty = m_tasks.empty();
    m_tasks.push_back(std::move(task));
    // Dispatch empties the queue and resets the descriptor under the same lock, so only the first
    // task of a batch needs to wake the owner.
    if (wasEmpty && m_wakeFd >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wakeFd, &one, sizeof one);
        (void)written;
    }
}

int CRunMessageQueue::Dispatch()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        batch.swap(m_tasks);
        if (m_wakeFd >= 0) {
            uint64_t count = 0;
            ssize_t got = read(m_wakeFd, &count, sizeof count);
            (void)got;
        }
    }
    for (std::function<void()>& task : batch)
        task();
    return static_cast<int>(batch.size());
}

int CRunMessageQueue::WaitAndDispatch(std::chrono::milliseconds timeout)
{
    pollfd wake{m_wakeFd, POLLIN, 0};
    int result;
    do {
        result = poll(&wake, 1, static_cast<int>(timeout.count()));
    } while (result < 0 && errno == EINTR);
    return Dispatch();
}
