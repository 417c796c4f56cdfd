#include "platform/ProcessTree.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct ProcInfo
{
    pid_t parent = 0;
    size_t residentPages = 0;
};

// Reads the parent and resident size from /proc/PID/stat; the command name may hold spaces and
// parentheses, so the fields are counted from the last ')'.
bool ReadStat(pid_t pid, ProcInfo& info)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE* file = std::fopen(path, "re");
    if (!file)
        return false;
    char buffer[1024];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    buffer[n] = '\0';
    const std::string text(buffer);
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    // After ") ": state(3) ppid(4) ... rss(24).
    const char* at = text.c_str() + close + 2;
    int field = 3;
    while (*at && field < 24) {
        if (field == 4)
            info.parent = static_cast<pid_t>(std::strtol(at, nullptr, 10));
        while (*at && *at != ' ')
            ++at;
        while (*at == ' ')
            ++at;
        ++field;
    }
    if (field != 24)
        return false;
    info.residentPages = static_cast<size_t>(std::strtoull(at, nullptr, 10));
    return true;
}

} // namespace

size_t ProcessTreeResidentBytes(pid_t root)
{
    std::unordered_map<pid_t, ProcInfo> processes;
    if (DIR* dir = ::opendir("/proc")) {
        while (dirent* entry = ::readdir(dir)) {
            const pid_t pid = static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10));
            ProcInfo info;
            if (pid > 0 && ReadStat(pid, info))
                processes.emplace(pid, info);
        }
        ::closedir(dir);
    }
    if (!processes.count(root))
        return 0;
    size_t pages = 0;
    std::vector<pid_t> pending{root};
    while (!pending.empty()) {
        const pid_t pid = pending.back();
        pending.pop_back();
        pages += processes[pid].residentPages;
        for (const auto& [child, info] : processes)
            if (info.parent == pid)
                pending.push_back(child);
    }
    return pages * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}
