#include "diff/ReportFile.h"

#include "platform/DebugLog.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

CReportFile::~CReportFile()
{
    Discard();
}

void CReportFile::Discard()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    ::unlink(m_tempPath.c_str());
    m_fd = -1;
}

bool CReportFile::Open(const std::string& path)
{
    Discard();
    m_path = path;
    m_failed = false;
    m_written = 0;
    if (!path.empty()) {
        static std::atomic<unsigned> counter{0};
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        // A hidden name, so that a file left by a crash is not taken for a page.
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_tempPath
                = folder + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
            // 0666 less the umask: the permissions a plain create would give the file.
            m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
    }
    if (m_fd < 0) {
        DiagnosticOutput("error : cannot create " + path + "\r\n");
        return false;
    }
    return true;
}

void CReportFile::Write(std::string_view bytes)
{
    if (m_fd < 0 || m_failed)
        return;
    const off_t start = static_cast<off_t>(m_written);
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_fd, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
        m_written += static_cast<unsigned long long>(count);
    }
    // Start putting this part on disk now, so that the flush at the end has less left to wait for.
    ::sync_file_range(m_fd, start, static_cast<off_t>(m_written) - start, SYNC_FILE_RANGE_WRITE);
}

bool CReportFile::Commit()
{
    if (m_fd < 0)
        return false;
    const bool flushed = !m_failed && ::fsync(m_fd) == 0;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!flushed || !closed) {
        ::unlink(m_tempPath.c_str());
        DiagnosticOutput("error : cannot write " + m_path + "\r\n");
        return false;
    }
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        ::unlink(m_tempPath.c_str());
        DiagnosticOutput("error : cannot create " + m_path + "\r\n");
        return false;
    }
    return true;
}
