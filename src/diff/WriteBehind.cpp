#include "diff/WriteBehind.h"

#include <system_error>

CWriteBehind::CWriteBehind(CReportFile& file, std::size_t threadFrom)
    : m_file(file)
    , m_threadFrom(threadFrom)
{ }

CWriteBehind::~CWriteBehind()
{
    Finish();
}

void CWriteBehind::Hand(std::string& part)
{
    if (!m_writer.joinable() && part.size() >= m_threadFrom && !m_finishing) {
        try {
            m_writer = std::thread([this] { WriteParts(); });
        } catch (const std::system_error&) {
            // Written here instead, below.
        }
    }
    if (!m_writer.joinable()) {
        m_file.Write(part);
        return;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_hasPending; });
    m_pending.swap(part);
    m_hasPending = true;
    m_changed.notify_all();
}

void CWriteBehind::Finish()
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
    m_writer.join();
}

void CWriteBehind::WriteParts()
{
    // The buffer of the part last written goes back as the next pending one: three buffers in all
    // go round between the maker, the hand-over and this thread.
    std::string part;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_hasPending || m_finishing; });
            if (!m_hasPending)
                return;
            part.swap(m_pending);
            m_hasPending = false;
        }
        m_changed.notify_all();
        m_file.Write(part);
    }
}
