#include "run/RunMessageQueue.h"

#include "run/CheckRun.h"

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

void CRunMessageQueue::PostUrlChecked(Curl* record, uint64_t runId)
{
    Push({Kind::Checked, record, 0, runId});
}

void CRunMessageQueue::PostUrlProgress(int kilobytes, Curl* record, uint64_t runId)
{
    Push({Kind::Progress, record, kilobytes, runId});
}

void CRunMessageQueue::PostUrlStarted(Curl* record, uint64_t runId)
{
    Push({Kind::Started, record, 0, runId});
}

void CRunMessageQueue::Push(const Message& message)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const bool wasEmpty = m_messages.empty();
    m_messages.push_back(message);
    // Dispatch empties the queue and resets the descriptor under the same lock, so only the first
    // report of a batch needs to wake the owner.
    if (wasEmpty && m_wakeFd >= 0) {
        uint64_t one = 1;
        ssize_t written = write(m_wakeFd, &one, sizeof one);
        (void)written;
    }
}

int CRunMessageQueue::Dispatch(CCheckRun& run)
{
    std::deque<Message> batch;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        batch.swap(m_messages);
        if (m_wakeFd >= 0) {
            uint64_t count = 0;
            ssize_t got = read(m_wakeFd, &count, sizeof count);
            (void)got;
        }
    }
    for (const Message& message : batch) {
        switch (message.kind) {
        case Kind::Started:
            run.OnUrlStarted(message.record, message.runId);
            break;
        case Kind::Progress:
            run.OnUrlProgress(message.kilobytes, message.record, message.runId);
            break;
        case Kind::Checked:
            run.OnUrlChecked(message.record, message.runId);
            break;
        }
    }
    return static_cast<int>(batch.size());
}

int CRunMessageQueue::WaitAndDispatch(CCheckRun& run, std::chrono::milliseconds timeout)
{
    pollfd wake{m_wakeFd, POLLIN, 0};
    int result;
    do {
        result = poll(&wake, 1, static_cast<int>(timeout.count()));
    } while (result < 0 && errno == EINTR);
    return Dispatch(run);
}
