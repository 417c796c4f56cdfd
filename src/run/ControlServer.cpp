#include "run/ControlServer.h"

#include "run/FrontEndDispatcher.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// Shared with the answer callbacks, which may outlive the server.
struct CControlServer::Sync
{
    std::mutex lock;
    std::condition_variable answered;
    bool stopping = false;
    // The answer to the request being served, once given; requests are served one at a time.
    uint64_t request = 0;
    std::optional<ControlReply> reply;
};

namespace {

// A request must arrive whole within this time; a caller that connects and stays silent is dropped.
constexpr int kRequestTimeoutMs = 10000;

bool SameUser(int fd)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

} // namespace

CControlServer::CControlServer(IFrontEndDispatcher& dispatcher, Handler handler)
    : m_dispatcher(dispatcher)
    , m_handler(std::move(handler))
    , m_sync(std::make_shared<Sync>())
{ }

CControlServer::~CControlServer()
{
    Stop();
}

bool CControlServer::Start(const std::string& storageFolder, std::string& error)
{
    if (m_listenFd >= 0)
        return true;
    m_path = storageFolder + kControlSocketName;
    sockaddr_un address{};
    if (!MakeControlAddress(m_path, address)) {
        error = "the path " + m_path + " is too long for a local socket";
        return false;
    }
    struct stat st
    {
    };
    if (::lstat(m_path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            error = m_path + " is in the way of the control socket";
            return false;
        }
        if (const int fd = ConnectControlSocket(m_path); fd >= 0) {
            ::close(fd);
            error = "another program already listens on " + m_path;
            return false;
        }
        ::unlink(m_path.c_str());
    }
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2];
    if (m_listenFd < 0 || ::pipe2(wake, O_CLOEXEC) != 0) {
        error = std::string("cannot make the control socket: ") + std::strerror(errno);
        Stop();
        return false;
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    // Owner-only from the start: the socket is made under a umask that leaves others out. The peer
    // check on every connection is what really keeps other users away.
    const mode_t oldMask = ::umask(0177);
    const bool bound = ::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::chmod(m_path.c_str(), 0600) != 0 || ::listen(m_listenFd, 16) != 0) {
        error = "cannot listen on " + m_path + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    {
        std::lock_guard guard(m_sync->lock);
        m_sync->stopping = false;
    }
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void CControlServer::Stop()
{
    {
        std::lock_guard guard(m_sync->lock);
        m_sync->stopping = true;
    }
    m_sync->answered.notify_all();
    if (m_wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite, &byte, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_listenFd, &m_wakeRead, &m_wakeWrite}) {
        if (*fd >= 0) {
            ::close(*fd);
            if (fd == &m_listenFd)
                ::unlink(m_path.c_str());
            *fd = -1;
        }
    }
}

void CControlServer::Serve()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Another user never gets an answer, whatever the socket's permissions say.
        if (SameUser(fd))
            ServeConnection(fd);
        ::close(fd);
        std::lock_guard guard(m_sync->lock);
        if (m_sync->stopping)
            return;
    }
}

void CControlServer::ServeConnection(int fd)
{
    std::string bytes;
    std::vector<std::string> args;
    if (ReceiveAllBytes(fd, bytes, kRequestTimeoutMs) != ReceiveResult::Whole || !DecodeControlRequest(bytes, args))
        return;
    uint64_t request;
    {
        std::lock_guard guard(m_sync->lock);
        request = ++m_sync->request;
        m_sync->reply.reset();
    }
    std::weak_ptr<Sync> weak = m_sync;
    Answer answer = [weak, request](const ControlReply& reply) {
        const std::shared_ptr<Sync> sync = weak.lock();
        if (!sync)
            return;
        std::lock_guard guard(sync->lock);
        if (sync->request == request)
            sync->reply = reply;
        sync->answered.notify_all();
    };
    m_dispatcher.Post(
        [handler = m_handler, args = std::move(args), answer = std::move(answer)] { handler(args, answer); });
    std::unique_lock guard(m_sync->lock);
    m_sync->answered.wait(guard, [this] { return m_sync->stopping || m_sync->reply.has_value(); });
    if (!m_sync->reply)
        return;
    const std::string out = EncodeControlReply(*m_sync->reply);
    guard.unlock();
    SendAllBytes(fd, out);
}
