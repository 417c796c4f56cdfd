#include "platform/FileUtil.h"

#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace { } // namespace

std::string WithSlash(std::string path)
{
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

namespace {

std::string AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    // Relative paths in the XDG variables are invalid and must be ignored.
    if (value && value[0] == '/')
        return WithSlash(value);
    return {};
}

std::string Reason(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

} // namespace

std::string UserHome()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return WithSlash(home);
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return WithSlash(entry->pw_dir);
    return "/tmp/";
}

std::string UserConfigHome()
{
    std::string dir = AbsoluteEnv("XDG_CONFIG_HOME");
    return dir.empty() ? UserHome() + ".config/" : dir;
}

std::string UserDataHome()
{
    std::string dir = AbsoluteEnv("XDG_DATA_HOME");
    return dir.empty() ? UserHome() + ".local/share/" : dir;
}

Status MakeFolders(const std::string& path, mode_t mode)
{
    if (path.empty())
        return MakeError(ErrorKind::BadInput, "no folder was given");
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty() || partial == "/")
            continue;
        if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST)
            return MakeError(ErrorKind::Io, SystemErrorText(errno));
    }
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0)
        return MakeError(ErrorKind::Io, SystemErrorText(errno));
    if (!S_ISDIR(st.st_mode))
        return MakeError(ErrorKind::Io, SystemErrorText(ENOTDIR));
    return {};
}

Status WriteFileAtomically(const std::string& path, const std::string& bytes, mode_t mode)
{
    CAtomicFile file;
    Status written = file.Open(path, mode);
    if (written)
        written = file.Write(bytes);
    if (written)
        written = file.Commit();
    return written;
}

Result<std::string> ReadWholeFile(const std::string& path, size_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    auto fail = [&](const std::string& what, int error) {
        return MakeError(error == ENOENT ? ErrorKind::NotFound : ErrorKind::Io, Reason(what, error));
    };
    auto tooLarge = [&] { return MakeError(ErrorKind::BadInput, "cannot read " + path + ": the file is too large"); };
    if (fd < 0)
        return fail("cannot open " + path, errno);
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return fail("cannot read " + path, error);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return fail("cannot read " + path, EISDIR);
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return tooLarge();
    }
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return fail("cannot read " + path, error);
        }
        if (data.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            return tooLarge();
        }
        data.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

Result<std::string> MoveAside(const std::string& path, const std::string& base, const std::string& extension)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string stamped = base + "-" + stamp;
    for (int attempt = 1; attempt < 1000; ++attempt) {
        std::string candidate = stamped;
        if (attempt > 1)
            candidate.append("-").append(std::to_string(attempt));
        candidate += extension;
        struct stat info;
        if (::lstat(candidate.c_str(), &info) == 0)
            continue;
        if (::rename(path.c_str(), candidate.c_str()) != 0) {
            const int error = errno;
            return MakeError(error == ENOENT ? ErrorKind::NotFound : ErrorKind::Io, std::strerror(error));
        }
        return candidate;
    }
    return MakeError(ErrorKind::Io, "no free name to move it to");
}
