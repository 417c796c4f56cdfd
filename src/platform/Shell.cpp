#include "platform/Shell.h"

#include "platform/DebugLog.h"
#include "platform/DesktopEntry.h"
#include "platform/FileUtil.h"
#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>

namespace {

// Starts a program found on PATH with the given arguments and no shell in between. Its standard input
// and output are /dev/null (or the given pipe for output), so a browser never holds on to our terminal
// or to a pipe that someone reads our output from; standard error stays ours only in debug mode.
pid_t SpawnProgram(const std::vector<std::string>& args, int outputFd = kSpawnToDevNull)
{
    SpawnOptions options;
    options.output = outputFd;
    options.errorOutput = DebugEnabled() ? kSpawnInherit : kSpawnToDevNull;
    options.defaultSignals = {SIGPIPE, SIGCHLD};
    return Spawn(args, options);
}

// What the program writes to standard output (at most a few kilobytes), empty when it fails.
std::string CaptureOutput(const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = SpawnProgram(args, pipeFds[1]);
    close(pipeFds[1]);
    std::string output;
    char buffer[1024];
    ssize_t count;
    while ((count = read(pipeFds[0], buffer, sizeof buffer)) != 0) {
        if (count < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (output.size() < 8192)
            output.append(buffer, static_cast<size_t>(count));
    }
    close(pipeFds[0]);
    return WaitForExit(pid) == 0 ? output : std::string();
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> SearchFolders()
{
    std::vector<std::string> folders{UserDataHome()};
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream dirs((dataDirs && *dataDirs) ? dataDirs : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty())
            folders.push_back(dir);
    }
    return folders;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::string FindDesktopEntry(const std::string& desktopId)
{
    // An id names a file inside the applications folders, never a path of its own.
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId[0] == '.')
        return {};
    // "vendor-app.desktop" may live as "vendor/app.desktop": try the id with its dashes turned into
    // folder separators one after another, from the left.
    std::vector<std::string> names{desktopId};
    std::string name = desktopId;
    for (size_t dash = name.find('-'); dash != std::string::npos; dash = name.find('-', dash + 1)) {
        name[dash] = '/';
        names.push_back(name);
    }
    for (std::string folder : SearchFolders()) {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        for (const std::string& candidate : names) {
            const std::string path = folder + "/applications/" + candidate;
            if (IsRegularFile(path))
                return path;
        }
    }
    return {};
}

std::string ReadDesktopExec(const std::string& entryPath)
{
    const Result<std::string> text = ReadWholeFile(entryPath, kMaxDesktopEntryBytes);
    if (!text)
        return {};
    return std::string(KeyFileValue(*text, "Desktop Entry", "Exec").value_or(""));
}

std::vector<std::string> ExpandDesktopExec(const std::string& exec, const std::string& path)
{
    // First the escapes of every string value in a desktop entry.
    const std::string value = UnescapeDesktopString(exec);

    // Then the words: blanks separate them, double quotes group them, and inside quotes a backslash
    // makes the next character plain. Field codes are expanded in the same pass, so a path never
    // goes through quote removal or code expansion.
    std::vector<std::string> args;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    bool usedPath = false;
    bool onlyCodes = true; // the word so far is made of dropped field codes alone
    auto endWord = [&] {
        if (inWord && !(word.empty() && onlyCodes))
            args.push_back(word);
        word.clear();
        inWord = false;
        onlyCodes = true;
    };
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (!quoted && (c == ' ' || c == '\t' || c == '\n')) {
            endWord();
            continue;
        }
        inWord = true;
        if (c == '"') {
            quoted = !quoted;
            onlyCodes = false;
        } else if (c == '\\' && i + 1 < value.size()) {
            word += value[++i];
            onlyCodes = false;
        } else if (c == '%' && i + 1 < value.size()) {
            const char code = value[++i];
            if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                word += path;
                usedPath = true;
                onlyCodes = false;
            } else if (code == '%') {
                word += '%';
                onlyCodes = false;
            }
            // Every other code (%i, %c, %k and the deprecated ones) stands for nothing here.
        } else {
            word += c;
            onlyCodes = false;
        }
    }
    if (quoted)
        return {};
    endWord();
    if (args.empty())
        return {};
    if (!usedPath)
        args.push_back(path);
    return args;
}

bool OpenWithShellAndWait(const std::string& path)
{
    if (path.empty())
        return false;
    if (WaitForExit(SpawnProgram({"xdg-open", path})) == 0)
        return true;
    // Fall back to the program the desktop names for HTML files.
    const std::string id = Trim(CaptureOutput({"xdg-mime", "query", "default", "text/html"}));
    const std::string entry = FindDesktopEntry(id);
    if (entry.empty())
        return false;
    const std::vector<std::string> args = ExpandDesktopExec(ReadDesktopExec(entry), path);
    return !args.empty() && WaitForExit(SpawnProgram(args)) == 0;
}

void OpenWithShell(const std::string& path)
{
    if (path.empty())
        return;
    // xdg-open may wait for the program it starts; a thread of its own waits instead of the caller.
    try {
        std::thread([path] { OpenWithShellAndWait(path); }).detach();
    } catch (const std::system_error& error) {
        DebugReport("cannot open " + path, error.what());
    }
}
