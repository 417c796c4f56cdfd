#include "run/DetachedCommand.h"

#include "platform/DebugLog.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Runs in the forked child of a possibly multi-threaded process: only async-signal-safe calls.
void CloseInheritedDescriptors()
{
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
#endif
    struct rlimit limit
    {
    };
    long last = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        ? static_cast<long>(limit.rlim_cur)
        : 4096;
    for (long fd = 3; fd < last; ++fd)
        close(static_cast<int>(fd));
}

[[noreturn]] void ExecShell(char* const argv[])
{
    // Signal masks and ignored signals survive exec: give the command a clean start.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);

    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }
    CloseInheritedDescriptors();
    execv("/bin/sh", argv);
    _exit(127);
}
} // namespace

bool StartDetachedCommand(const std::string& command)
{
    if (command.empty())
        return false;
    // Everything the child needs is prepared before the fork.
    std::string shell = "/bin/sh";
    std::string flag = "-c";
    std::string line = command;
    char* argv[] = {shell.data(), flag.data(), line.data(), nullptr};

    pid_t child = fork();
    if (child < 0) {
        DebugReport("Cannot start the command", std::strerror(errno));
        return false;
    }
    if (child == 0) {
        // The intermediate child starts a new session and leaves at once; the grandchild runs the
        // command as an orphan that init reaps, so we never wait for the command itself.
        setsid();
        pid_t grandchild = fork();
        if (grandchild == 0)
            ExecShell(argv);
        _exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    // ECHILD: SIGCHLD is ignored in this process and the system has reaped the child already.
    if (waited < 0)
        return errno == ECHILD;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        DebugReport("Cannot start the command", "fork failed");
        return false;
    }
    return true;
}
