#include "platform/ThreadPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// On Linux, PRIO_PROCESS with a thread id addresses that one thread.
id_t CurrentThreadId()
{
    return static_cast<id_t>(syscall(SYS_gettid));
}
} // namespace

int NiceValueForPriority(int priority)
{
    switch (priority) {
    case -2:
        return 10;
    case -1:
        return 5;
    default:
        return 0;
    }
}

bool SetCurrentThreadPriority(int priority)
{
    return setpriority(PRIO_PROCESS, CurrentThreadId(), NiceValueForPriority(priority)) == 0;
}

int GetCurrentThreadNice()
{
    errno = 0;
    return getpriority(PRIO_PROCESS, CurrentThreadId());
}
