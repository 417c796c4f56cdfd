#include "ui/app/CrashHandler.h"

#include "platform/FileUtil.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr const char* kToldFile = "crash-told";

// Everything the handler needs is prepared here: it may only call async-signal-safe functions.
char g_prefix[4096];
alignas(16) char g_altStack[64 * 1024];

void Append(char* buffer, size_t& used, size_t size, const char* text)
{
    while (*text && used + 1 < size)
        buffer[used++] = *text++;
    buffer[used] = '\0';
}

void AppendNumber(char* buffer, size_t& used, size_t size, unsigned long long value, int width)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && count < 24);
    while (count < width && count < 24)
        digits[count++] = '0';
    while (count > 0 && used + 1 < size)
        buffer[used++] = digits[--count];
    buffer[used] = '\0';
}

void OnFatalSignal(int sig)
{
    char path[sizeof g_prefix + 32];
    size_t used = 0;
    Append(path, used, sizeof path, g_prefix);
    AppendNumber(path, used, sizeof path, static_cast<unsigned long long>(std::time(nullptr)), 12);
    Append(path, used, sizeof path, ".txt");

    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) {
        char header[128];
        size_t length = 0;
        Append(header, length, sizeof header, "Site Vigil ended on signal ");
        AppendNumber(header, length, sizeof header, static_cast<unsigned long long>(sig), 1);
        Append(header, length, sizeof header, "\nBacktrace:\n");
        [[maybe_unused]] ssize_t written = ::write(fd, header, length);
        void* frames[64];
        const int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

namespace CrashHandler {

bool Install(const std::string& reportFolder)
{
    const std::string prefix = WithSlash(reportFolder) + "crash-";
    if (prefix.size() >= sizeof g_prefix || !MakeFolders(WithSlash(reportFolder)))
        return false;
    std::memcpy(g_prefix, prefix.c_str(), prefix.size() + 1);

    // backtrace() loads its unwinder on first use; do that now rather than inside the handler.
    void* warmUp[1];
    ::backtrace(warmUp, 1);

    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr); // a stack overflow must still get its report

    struct sigaction action
    {
    };
    action.sa_handler = OnFatalSignal;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    bool ok = true;
    for (int sig : kSignals)
        ok = ::sigaction(sig, &action, nullptr) == 0 && ok;
    return ok;
}

std::string TakeNewReport(const std::string& reportFolder)
{
    const std::string folder = WithSlash(reportFolder);
    std::vector<std::string> reports;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind("crash-", 0) == 0 && name.size() > 10 && name.compare(name.size() - 4, 4, ".txt") == 0)
                reports.push_back(name);
        }
        ::closedir(dir);
    }
    if (reports.empty())
        return {};
    // The names carry zero-padded seconds, so the newest sorts last.
    const std::string newest = *std::max_element(reports.begin(), reports.end());
    std::string told;
    ReadWholeFile(folder + kToldFile, told, 4096);
    if (!told.empty() && newest <= told)
        return {};
    WriteFileAtomically(folder + kToldFile, newest, 0600);
    return folder + newest;
}

} // namespace CrashHandler
