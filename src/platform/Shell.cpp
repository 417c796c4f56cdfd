#include "platform/Shell.h"

#include "platform/DebugLog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace {

// Starts a program found on PATH with the given arguments and no shell in between. Its standard input
// and output are /dev/null (or the given pipe for output), so a browser never holds on to our terminal
// or to a pipe that someone reads our output from; standard error stays ours only in debug mode.
pid_t Spawn(const std::vector<std::string>& args, int outputFd = -1)
{
    if (args.empty())
        return -1;
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!DebugEnabled())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Descriptors of ours that lack close-on-exec (settings database, sockets) stay with us.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // The child starts with no blocked signals and default handling whatever this thread had.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        DebugReport("cannot start " + args[0], std::strerror(error));
        return -1;
    }
    return pid;
}

// Exit status of the program, or -1 when it could not be started or did not exit normally.
int Wait(pid_t pid)
{
    if (pid < 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What the program writes to standard output (at most a few kilobytes), empty when it fails.
std::string CaptureOutput(const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = Spawn(args, pipeFds[1]);
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
    return Wait(pid) == 0 ? output : std::string();
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
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome)
        folders.emplace_back(dataHome);
    else if (home && *home)
        folders.push_back(std::string(home) + "/.local/share");
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
    std::ifstream in(entryPath);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || Trim(line.substr(0, equals)) != "Exec")
            continue;
        return Trim(line.substr(equals + 1));
    }
    return {};
}

std::vector<std::string> ExpandDesktopExec(const std::string& exec, const std::string& path)
{
    // First the escapes of every string value in a desktop entry.
    std::string value;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '\\' || i + 1 == exec.size()) {
            value += exec[i];
            continue;
        }
        const char next = exec[++i];
        switch (next) {
        case 's':
            value += ' ';
            break;
        case 'n':
            value += '\n';
            break;
        case 't':
            value += '\t';
            break;
        case 'r':
            value += '\r';
            break;
        case '\\':
            value += '\\';
            break;
        default:
            value += '\\';
            value += next;
            break;
        }
    }

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
    if (Wait(Spawn({"xdg-open", path})) == 0)
        return true;
    // Fall back to the program the desktop names for HTML files.
    const std::string id = Trim(CaptureOutput({"xdg-mime", "query", "default", "text/html"}));
    const std::string entry = FindDesktopEntry(id);
    if (entry.empty())
        return false;
    const std::vector<std::string> args = ExpandDesktopExec(ReadDesktopExec(entry), path);
    return !args.empty() && Wait(Spawn(args)) == 0;
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
