#include "platform/FolderLock.h"

#include "platform/FileUtil.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

CFolderLock::~CFolderLock()
{
    Release();
}

Status CFolderLock::Acquire(const std::string& folder, int waitMs)
{
    if (IsHeld())
        return {};
    const std::string path = WithSlash(folder) + kLockFileName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return MakeError(ErrorKind::Io, "cannot create the lock file " + path + ": " + std::strerror(errno));
    // flock cannot wait for a limited time: another command holds the lock for a moment only, so
    // trying again shortly is cheap.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    int rc;
    for (;;) {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
        if (rc == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (rc != 0) {
        const int lockError = errno;
        ::close(fd);
        if (lockError == EWOULDBLOCK)
            return MakeError(ErrorKind::Busy,
                             "the storage folder " + folder + " is in use by another Site Vigil program");
        return MakeError(ErrorKind::Io, "cannot lock " + path + ": " + std::strerror(lockError));
    }
    m_fd = fd;
    return {};
}

void CFolderLock::Release()
{
    if (m_fd >= 0) {
        ::close(m_fd); // closing the descriptor releases the lock
        m_fd = -1;
    }
}
