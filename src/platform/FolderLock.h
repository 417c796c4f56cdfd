#pragma once

#include "platform/Error.h"

#include <string>

// An advisory lock (flock) on a lock file in a folder: only one process at a time owns the list of a
// storage folder. Held until the object is destroyed or the process ends.
class CFolderLock
{
public:
    CFolderLock() = default;
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Takes the lock, waiting up to waitMs while another holder has it (0: not at all). Busy when the
    // other holder kept it, Io when the lock file cannot be made or locked.
    Status Acquire(const std::string& folder, int waitMs = 0);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

    static constexpr const char* kLockFileName = "siteVigil.lock";

private:
    int m_fd = -1;
};
