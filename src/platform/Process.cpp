#include "platform/Process.h"

#include "platform/DebugLog.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Everything the child needs, prepared before the fork: a forked child of a possibly multi-threaded
// process may only make async-signal-safe calls until it has exec'd.
struct Prepared
{
    std::vector<std::string> candidates; // the places to try for the program, in order
    std::vector<char*> paths;
    std::vector<char*> argv;
    const SpawnOptions* options = nullptr;
    int reportFd = -1; // write end of the pipe that carries a failure's errno back to the parent
};

std::vector<std::string> Candidates(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return {program};
    // As execvp does: every folder of PATH in turn, an empty entry meaning the current folder.
    const char* path = std::getenv("PATH");
    const std::string folders = path ? path : "/bin:/usr/bin";
    std::vector<std::string> candidates;
    size_t from = 0;
    while (true) {
        const size_t colon = folders.find(':', from);
        std::string folder = folders.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        candidates.push_back((folder.empty() ? "." : folder) + "/" + program);
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    return candidates;
}

void CloseRange(unsigned first, unsigned last)
{
    if (first > last)
        return;
#ifdef SYS_close_range
    if (syscall(SYS_close_range, first, last, 0U) == 0)
        return;
#endif
    struct rlimit limit
    {
    };
    const unsigned end = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        ? static_cast<unsigned>(limit.rlim_cur)
        : 4096U;
    for (unsigned fd = first; fd <= last && fd < end; ++fd)
        close(static_cast<int>(fd));
}

void Redirect(int from, int to)
{
    if (from >= 0 && from != to) {
        dup2(from, to);
        close(from);
    }
}

void SetStream(int target, int setting)
{
    if (setting == kSpawnInherit)
        return;
    if (setting == kSpawnToDevNull)
        Redirect(open("/dev/null", O_WRONLY), target);
    else if (setting != target)
        dup2(setting, target);
}

[[noreturn]] void Fail(int reportFd, int error)
{
    ssize_t written;
    do {
        written = write(reportFd, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    _exit(127);
}

[[noreturn]] void RunChild(const Prepared& prepared)
{
    const SpawnOptions& options = *prepared.options;
    // Signal masks and ignored signals survive exec: give the program a clean start.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault
    {
    };
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int signalNumber : options.defaultSignals)
        sigaction(signalNumber, &byDefault, nullptr);

    if (options.newSession)
        setsid();
    if (options.orphan) {
        // The intermediate child leaves at once; the grandchild runs the program as an orphan.
        const pid_t grandchild = fork();
        if (grandchild < 0)
            Fail(prepared.reportFd, errno);
        if (grandchild > 0)
            _exit(0);
    }

    Redirect(open("/dev/null", O_RDONLY), STDIN_FILENO);
    SetStream(STDOUT_FILENO, options.output);
    SetStream(STDERR_FILENO, options.errorOutput);
    // Descriptors of ours that lack close-on-exec (settings database, sockets) stay with us; the
    // report pipe closes on exec by itself.
    const auto report = static_cast<unsigned>(prepared.reportFd);
    CloseRange(STDERR_FILENO + 1, report - 1);
    CloseRange(report + 1, ~0U);

    int error = ENOENT;
    bool denied = false;
    for (char* path : prepared.paths) {
        if (!path)
            break;
        execve(path, prepared.argv.data(), environ);
        error = errno;
        if (error == EACCES)
            denied = true;
        else if (error != ENOENT && error != ENOTDIR)
            break;
    }
    Fail(prepared.reportFd, denied && (error == ENOENT || error == ENOTDIR) ? EACCES : error);
}

} // namespace

pid_t Spawn(const std::vector<std::string>& args, const SpawnOptions& options)
{
    if (args.empty() || args[0].empty())
        return -1;
    Prepared prepared;
    prepared.options = &options;
    prepared.candidates = Candidates(args[0]);
    for (std::string& candidate : prepared.candidates)
        prepared.paths.push_back(candidate.data());
    prepared.paths.push_back(nullptr);
    for (const std::string& arg : args)
        prepared.argv.push_back(const_cast<char*>(arg.c_str()));
    prepared.argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        DebugReport("cannot start " + args[0], std::strerror(errno));
        return -1;
    }
    prepared.reportFd = report[1];
    const pid_t child = fork();
    if (child == 0)
        RunChild(prepared);
    const int forkError = errno;
    close(report[1]);
    if (child < 0) {
        close(report[0]);
        DebugReport("cannot start " + args[0], std::strerror(forkError));
        return -1;
    }

    // The pipe reaches its end when the program has been exec'd or has failed to be.
    int error = 0;
    ssize_t count;
    do {
        count = read(report[0], &error, sizeof error);
    } while (count < 0 && errno == EINTR);
    close(report[0]);
    if (count == static_cast<ssize_t>(sizeof error) || options.orphan)
        WaitForExit(child);
    if (count == static_cast<ssize_t>(sizeof error)) {
        DebugReport("cannot start " + args[0], std::strerror(error));
        return -1;
    }
    return options.orphan ? 0 : child;
}

int WaitForExit(pid_t pid)
{
    if (pid <= 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        // ECHILD too: with SIGCHLD ignored the system reaps children by itself.
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
