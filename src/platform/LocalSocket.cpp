#include "platform/LocalSocket.h"

#include "platform/FileUtil.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool MakeAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

Error TooLong(const std::string& path)
{
    return MakeError(ErrorKind::BadInput, "the path " + path + " is too long for a local socket");
}

// Asks for the folder and checks it: it is made when missing, and refused when it is not private.
Result<std::string> EnsurePrivateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return MakeError(ErrorKind::Io, "cannot make the folder " + folder + ": " + SystemErrorText(errno));
    if (Status checked = CheckPrivateFolder(folder); !checked)
        return checked.error();
    return WithSlash(folder);
}

// A short stable name for a storage folder, so that two folders never share a socket.
std::string FolderTag(const std::string& folder)
{
    uint64_t hash = 14695981039346656037ull; // FNV-1a: the folder is ours, nobody aims at the name
    for (const unsigned char c : folder) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    static const char digits[] = "0123456789abcdef";
    std::string tag;
    for (int shift = 60; shift >= 0; shift -= 4)
        tag += digits[(hash >> shift) & 0xF];
    return tag;
}

} // namespace

Status CheckPrivateFolder(const std::string& folder)
{
    struct stat st
    {
    };
    if (::lstat(folder.c_str(), &st) != 0)
        return MakeError(ErrorKind::Io, "cannot look at the folder " + folder + ": " + SystemErrorText(errno));
    if (!S_ISDIR(st.st_mode))
        return MakeError(ErrorKind::BadInput, folder + " is not a folder (a link or a file is in its place)");
    if (st.st_uid != ::geteuid())
        return MakeError(ErrorKind::BadInput,
                         "the folder " + folder + " belongs to another user (user id " + std::to_string(st.st_uid)
                             + ")");
    if ((st.st_mode & 077) != 0)
        return MakeError(ErrorKind::BadInput, "other users may enter the folder " + folder);
    return {};
}

Result<std::string> PrivateSocketFolder(const std::string& storageFolder)
{
    // A first start may come before anything made the storage folder; made now, it also resolves to
    // the same real path, and so the same socket, at every later call.
    MakeFolders(storageFolder, 0700);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        Result<std::string> folder = EnsurePrivateFolder(WithSlash(runtime) + "site-vigil");
        if (!folder)
            return folder;
        char real[4096];
        const std::string name = ::realpath(storageFolder.c_str(), real) ? std::string(real) : storageFolder;
        return EnsurePrivateFolder(folder.value() + FolderTag(WithSlash(name)));
    }
    if (CheckPrivateFolder(storageFolder))
        return WithSlash(storageFolder);
    return EnsurePrivateFolder(WithSlash(storageFolder) + "siteVigil.run");
}

long PeerUserId(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return -1;
    return static_cast<long>(peer.uid);
}

Result<int> ConnectLocalSocket(const std::string& path)
{
    sockaddr_un address;
    if (!MakeAddress(path, address))
        return TooLong(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return MakeError(ErrorKind::Io, "cannot make a local socket: " + SystemErrorText(errno));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int why = errno;
        ::close(fd);
        return MakeError(ErrorKind::NotFound, "nobody listens on " + path + ": " + SystemErrorText(why));
    }
    // A listener of another user learns nothing from us, not even the request.
    if (const long peer = PeerUserId(fd); peer != static_cast<long>(::geteuid())) {
        ::close(fd);
        return MakeError(ErrorKind::BadInput,
                         "the socket " + path + " is held by another user (user id " + std::to_string(peer) + ")");
    }
    return fd;
}

Result<int> ListenLocalSocket(const std::string& path, int backlog)
{
    sockaddr_un address;
    if (!MakeAddress(path, address))
        return TooLong(path);
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            return MakeError(ErrorKind::BadInput, path + " is in the way of the control socket");
        if (st.st_uid != ::geteuid())
            return MakeError(ErrorKind::BadInput,
                             "the socket " + path + " was made by another user (user id " + std::to_string(st.st_uid)
                                 + ")");
        Result<int> live = ConnectLocalSocket(path);
        if (live) {
            ::close(live.value());
            return MakeError(ErrorKind::Busy, "another program already listens on " + path);
        }
        if (live.error().kind != ErrorKind::NotFound)
            return live.error();
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return MakeError(ErrorKind::Io, "cannot make the control socket: " + SystemErrorText(errno));
    // Owner-only from the start; the peer check on every connection is what really keeps others away.
    const mode_t oldMask = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, backlog) != 0) {
        const int why = errno;
        ::close(fd);
        if (bound)
            ::unlink(path.c_str());
        return MakeError(ErrorKind::Io, "cannot listen on " + path + ": " + SystemErrorText(why));
    }
    return fd;
}

bool SendAllBytes(int fd, const std::string& bytes)
{
    for (size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}
