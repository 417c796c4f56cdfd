#include "ui/app/CrashHandler.h"

#include "platform/ElfSymbols.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

#define SITEVIGIL_TEXT_OF(x) #x
#define SITEVIGIL_TEXT(x) SITEVIGIL_TEXT_OF(x)
#define SITEVIGIL_VERSION_TEXT                                                                                         \
    SITEVIGIL_TEXT(SITEVIGIL_VERSION_MAJOR)                                                                            \
    "." SITEVIGIL_TEXT(SITEVIGIL_VERSION_MINOR) "." SITEVIGIL_TEXT(SITEVIGIL_VERSION_BUILD)

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr const char* kToldFile = "crash-told";
// Reports within one second beyond this many overwrite nothing: the last name is given up on.
constexpr int kMaxReportsPerSecond = 99;
constexpr const char* kProgramLine = "Program: ";

// Everything the handler needs is prepared here: it may only call async-signal-safe functions.
char g_prefix[4096];
// "Program: PATH (SIZE bytes, modified SECONDS)\n": tells the next start whether it is the same file.
char g_program[4096 + 96];
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

// The civil date of a day count since 1970 (H. Hinnant's days_from_civil inverted): no locale, no
// time zone files, no locks, so it may run in the handler.
void CivilDate(long long days, long long& year, unsigned& month, unsigned& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

// "crash-2026-12-09T10-42-05" (+ "-N") + ".txt" after the prefix; async-signal-safe.
void AppendReportName(char* buffer, size_t& used, size_t size, long long seconds, int number)
{
    long long year = 1970;
    unsigned month = 1, day = 1;
    const long long days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const long long secondOfDay = seconds - days * 86400;
    CivilDate(days, year, month, day);
    Append(buffer, used, size, "crash-");
    AppendNumber(buffer, used, size, static_cast<unsigned long long>(year < 0 ? 0 : year), 4);
    Append(buffer, used, size, "-");
    AppendNumber(buffer, used, size, month, 2);
    Append(buffer, used, size, "-");
    AppendNumber(buffer, used, size, day, 2);
    Append(buffer, used, size, "T");
    AppendNumber(buffer, used, size, static_cast<unsigned long long>(secondOfDay / 3600), 2);
    Append(buffer, used, size, "-");
    AppendNumber(buffer, used, size, static_cast<unsigned long long>(secondOfDay / 60 % 60), 2);
    Append(buffer, used, size, "-");
    AppendNumber(buffer, used, size, static_cast<unsigned long long>(secondOfDay % 60), 2);
    if (number > 1) {
        Append(buffer, used, size, "-");
        AppendNumber(buffer, used, size, static_cast<unsigned long long>(number), 1);
    }
    Append(buffer, used, size, ".txt");
}

// A new report file that overwrites none written before, in the same second or earlier.
int CreateReport()
{
    const long long now = static_cast<long long>(std::time(nullptr));
    for (int number = 1; number <= kMaxReportsPerSecond; ++number) {
        char path[sizeof g_prefix + 64];
        size_t used = 0;
        Append(path, used, sizeof path, g_prefix);
        AppendReportName(path, used, sizeof path, now, number);
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void OnFatalSignal(int sig)
{
    const int savedErrno = errno;
    const int fd = CreateReport();
    if (fd >= 0) {
        char header[256];
        size_t length = 0;
        Append(header, length, sizeof header, "Site Vigil " SITEVIGIL_VERSION_TEXT " ended on signal ");
        AppendNumber(header, length, sizeof header, static_cast<unsigned long long>(sig), 1);
        Append(header, length, sizeof header, "\n");
        [[maybe_unused]] ssize_t written = ::write(fd, header, length);
        written = ::write(fd, g_program, std::strlen(g_program));
        written = ::write(fd, "Backtrace:\n", 11);
        void* frames[64];
        const int count = ::backtrace(frames, 64);
        ::backtrace_symbols_fd(frames, count, fd);
        ::close(fd);
    }
    errno = savedErrno;
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// The line that names the running program's file, as the handler writes it.
std::string ProgramLine()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    path[length] = '\0';
    struct stat st
    {
    };
    if (::stat(path, &st) != 0)
        return {};
    return std::string(kProgramLine) + path + " (" + std::to_string(st.st_size) + " bytes, modified "
        + std::to_string(st.st_mtime) + ")\n";
}

// Sort key of a report's name: its time, then its number within the second. Names of older
// versions ("crash-<seconds>.txt") sort before every dated one.
std::pair<std::string, int> ReportKey(const std::string& name)
{
    std::string stem = name.substr(0, name.size() - 4);
    int number = 1;
    // "crash-YYYY-MM-DDTHH-MM-SS" is 25 characters; what follows is "-N".
    if (stem.size() > 26 && stem[25] == '-') {
        number = std::atoi(stem.c_str() + 26);
        stem.resize(25);
    }
    return {stem, number};
}

// Whether a backtrace's file is the program: the handler writes it as the program was started
// ("./build/sitevigil"), while the report's program line gives the full path.
bool SameProgramFile(const std::string& file, const std::string& program)
{
    const auto base = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    return file == program || (file.find('/') != 0 && base(file) == base(program));
}

// The backtrace with names for the frames of our own program that the handler could give only as
// "PROGRAM(+0xOFFSET) [ADDRESS]", and C++ names for the mangled ones.
std::string NamedFrames(const std::string& report, const std::string& program)
{
    const CElfSymbols symbols = CElfSymbols::Load(program);
    std::istringstream lines(report.substr(report.find("Backtrace:\n") + 11));
    std::string named;
    int frame = 0;
    for (std::string line; std::getline(lines, line); ++frame) {
        const size_t open = line.find('(');
        const size_t close = line.find(')', open);
        if (open == std::string::npos || close == std::string::npos)
            continue;
        const std::string file = line.substr(0, open);
        const std::string inside = line.substr(open + 1, close - open - 1);
        const size_t plus = inside.rfind('+');
        std::string name;
        if (plus != std::string::npos && plus > 0) {
            name = DemangledName(inside.substr(0, plus)) + inside.substr(plus);
        } else if (plus == 0 && SameProgramFile(file, program)) {
            name = symbols.NameAt(std::strtoull(inside.c_str() + 1, nullptr, 16));
        }
        named += "#" + std::to_string(frame) + "  " + (name.empty() ? "?? " + line : name + "  (" + file + ")") + "\n";
    }
    return named;
}

// Adds the named frames to a report written by this same program file, once.
void NameFrames(const std::string& path)
{
    const Result<std::string> read = ReadWholeFile(path, 1u << 20);
    if (!read)
        return;
    const std::string& report = *read;
    if (report.find("\nFunctions:\n") != std::string::npos || report.find("Backtrace:\n") == std::string::npos)
        return;
    const std::string program = ProgramLine();
    if (program.empty() || report.find("\n" + program) == std::string::npos)
        return; // another build wrote it: its addresses mean nothing in this one
    const std::string file = program.substr(std::strlen(kProgramLine), program.rfind(" (") - std::strlen(kProgramLine));
    WriteFileAtomically(path, report + "\nFunctions:\n" + NamedFrames(report, file), 0600);
}

} // namespace

namespace CrashHandler {

std::string ReportName(long long secondsSince1970, int number)
{
    char name[64];
    size_t used = 0;
    name[0] = '\0';
    AppendReportName(name, used, sizeof name, secondsSince1970, number);
    return name;
}

bool Install(const std::string& reportFolder)
{
    const std::string prefix = WithSlash(reportFolder);
    const std::string program = ProgramLine();
    if (prefix.size() >= sizeof g_prefix || program.size() >= sizeof g_program || !MakeFolders(prefix))
        return false;
    std::memcpy(g_prefix, prefix.c_str(), prefix.size() + 1);
    std::memcpy(g_program, program.c_str(), program.size() + 1);

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
    const auto byKey = [](const std::string& a, const std::string& b) { return ReportKey(a) < ReportKey(b); };
    const std::string newest = *std::max_element(reports.begin(), reports.end(), byKey);
    const Result<std::string> toldRead = ReadWholeFile(folder + kToldFile, 4096);
    const std::string told = toldRead ? *toldRead : std::string();
    if (!told.empty() && !byKey(told, newest))
        return {};
    WriteFileAtomically(folder + kToldFile, newest, 0600);
    NameFrames(folder + newest);
    return folder + newest;
}

} // namespace CrashHandler
