#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

Error SystemFailure(int error)
{
    return MakeError(error == ETIMEDOUT ? ErrorKind::TimedOut : ErrorKind::Network, SystemErrorText(error));
}

Error NotOpen()
{
    return MakeError(ErrorKind::Internal, SystemErrorText(EBADF));
}

} // namespace

CTcpSocket::~CTcpSocket()
{
    Close();
}

Status CTcpSocket::Create()
{
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (m_fd < 0)
        return SystemFailure(errno);
    return {};
}

Status CTcpSocket::Connect(const std::string& host, unsigned port, unsigned timeoutMs)
{
    if (m_fd < 0)
        return NotOpen();
    if (port > 0xFFFF)
        return MakeError(ErrorKind::BadInput, "the port " + std::to_string(port) + " is not valid");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    // inet_aton accepts the same dotted forms as the classic inet_addr, so such a name needs no lookup.
    if (inet_aton(host.c_str(), &address.sin_addr) == 0) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (host.empty() || ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
            if (found)
                ::freeaddrinfo(found);
            return MakeError(ErrorKind::NotFound, "the name \"" + host + "\" cannot be found");
        }
        address.sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        ::freeaddrinfo(found);
    }
    // Connected without blocking, so that a host that never answers costs no more than the time-out.
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return SystemFailure(errno);
    int error = 0;
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            pollfd entry{m_fd, POLLOUT, 0};
            const int timeout = timeoutMs > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
            const int rc = ::poll(&entry, 1, timeout);
            socklen_t length = sizeof error;
            if (rc == 0)
                error = ETIMEDOUT;
            else if (rc < 0)
                error = errno;
            else if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
    }
    if (error == 0 && ::fcntl(m_fd, F_SETFL, flags) != 0)
        error = errno;
    if (error != 0)
        return SystemFailure(error);
    return {};
}

Status CTcpSocket::Send(const char* data, size_t length)
{
    if (m_fd < 0)
        return NotOpen();
    // A blocking send normally takes everything at once; a signal can cut it short, so carry on
    // rather than leave half a command on the wire.
    size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(m_fd, data + sent, length - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SystemFailure(errno);
        }
        sent += static_cast<size_t>(n);
    }
    return {};
}

Result<bool> CTcpSocket::WaitReadable(unsigned timeoutMs)
{
    if (m_fd < 0)
        return NotOpen();
    pollfd entry{m_fd, POLLIN, 0};
    const int timeout = timeoutMs > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(timeoutMs);
    int rc;
    do {
        rc = ::poll(&entry, 1, timeout);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return SystemFailure(errno);
    // A closed or failed connection counts as readable: the receive then reports it.
    return rc > 0 && (entry.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

Result<size_t> CTcpSocket::Receive(char* buffer, size_t size)
{
    if (m_fd < 0)
        return NotOpen();
    ssize_t n;
    do {
        n = ::recv(m_fd, buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return SystemFailure(errno);
    return static_cast<size_t>(n);
}

void CTcpSocket::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::string CTcpSocket::LocalHostName()
{
    char name[260] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}
