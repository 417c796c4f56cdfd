#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CAtomicFile::~CAtomicFile()
{
    Discard();
}

Error CAtomicFile::Fail(Step step, const std::string& what)
{
    Error error = MakeError(ErrorKind::Io, what + ": " + std::strerror(errno));
    Discard();
    m_failedStep = step;
    return error;
}

Status CAtomicFile::Open(const std::string& path, mode_t mode)
{
    Discard();
    m_path = path;
    m_failedStep = Step::None;
    m_written = 0;
    m_writeBackFrom = 0;
    if (path.empty()) {
        m_failedStep = Step::Create;
        return MakeError(ErrorKind::BadInput, "no file name given");
    }
    m_temp = path + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        m_temp.clear();
        return Fail(Step::Create, "cannot create a temporary file in " + folder);
    }
    if (::fchmod(m_fd, mode) != 0)
        return Fail(Step::Create, "cannot set the permissions of " + m_temp);
    return {};
}

Status CAtomicFile::Write(const char* data, size_t size)
{
    if (m_fd < 0)
        return MakeError(ErrorKind::Internal, "the file is not open");
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(Step::Write, "cannot write " + m_temp);
        }
        data += n;
        size -= static_cast<size_t>(n);
        m_written += n;
    }
    return {};
}

void CAtomicFile::StartWriteBack()
{
    if (m_fd < 0 || m_written == m_writeBackFrom)
        return;
    // Only a hint: whatever it does not start, the fsync in Commit still writes.
    ::sync_file_range(m_fd, m_writeBackFrom, m_written - m_writeBackFrom, SYNC_FILE_RANGE_WRITE);
    m_writeBackFrom = m_written;
}

Status CAtomicFile::Commit()
{
    if (m_fd < 0)
        return MakeError(ErrorKind::Internal, "the file is not open");
    if (::fsync(m_fd) != 0)
        return Fail(Step::Write, "cannot flush " + m_temp);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return Fail(Step::Write, "cannot close " + m_temp);
    if (::rename(m_temp.c_str(), m_path.c_str()) != 0)
        return Fail(Step::Replace, "cannot replace " + m_path);
    m_temp.clear();
    // Make the rename itself durable.
    const size_t slash = m_path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_path.substr(0, slash + 1);
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

void CAtomicFile::Discard()
{
    const int error = errno; // keep the reason of a failure for the caller's message
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
    errno = error;
}
