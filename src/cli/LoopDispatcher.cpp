#include "cli/LoopDispatcher.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CLoopDispatcher::CLoopDispatcher()
    : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{ }

CLoopDispatcher::~CLoopDispatcher()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void CLoopDispatcher::Post(std::function<void()> task)
{
    std::lock_guard guard(m_lock);
    m_tasks.push_back(std::move(task));
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool CLoopDispatcher::HasPending()
{
    std::lock_guard guard(m_lock);
    return !m_tasks.empty();
}

void CLoopDispatcher::RunPending()
{
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard guard(m_lock);
        tasks.swap(m_tasks);
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_fd, &count, sizeof count);
    }
    for (auto& task : tasks)
        task();
}
