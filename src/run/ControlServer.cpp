#include "run/ControlServer.h"

#include "platform/LocalSocket.h"
#include "run/ControlChannel.h"
#include "run/FrontEndDispatcher.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

// What the server's thread shares with the tickets, which may outlive the server.
struct CControlTicket::Shared
{
    std::mutex lock;
    bool stopping = false;
    int wakeRead = -1;
    int wakeWrite = -1;
    // Answers given and not yet picked up by the server's thread: connection and encoded bytes.
    std::vector<std::pair<uint64_t, std::string>> answered;

    void Wake() const
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1);
    }
};

CControlTicket::CControlTicket(std::weak_ptr<Shared> server, uint64_t connection)
    : m_server(std::move(server))
    , m_connection(connection)
{ }

bool CControlTicket::Take()
{
    const std::shared_ptr<Shared> shared = m_server.lock();
    if (!shared)
        return false;
    std::lock_guard guard(shared->lock);
    if (m_state != State::Waiting || shared->stopping)
        return false;
    m_state = State::Taken;
    return true;
}

bool CControlTicket::GiveUp()
{
    const std::shared_ptr<Shared> shared = m_server.lock();
    if (!shared)
        return false;
    std::lock_guard guard(shared->lock);
    if (m_state != State::Waiting)
        return false;
    m_state = State::GivenUp;
    return true;
}

void CControlTicket::Answer(const ControlAnswer& answer)
{
    const std::shared_ptr<Shared> shared = m_server.lock();
    if (!shared)
        return;
    std::string bytes = EncodeControlAnswer(answer);
    std::lock_guard guard(shared->lock);
    if (shared->stopping)
        return;
    shared->answered.emplace_back(m_connection, std::move(bytes));
    shared->Wake();
}

namespace {

using SteadyClock = std::chrono::steady_clock;

int MillisecondsUntil(SteadyClock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - SteadyClock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60000));
}

} // namespace

// The server's thread: one poll over the listening socket, the wake pipe and every connection.
class CControlServer::CLoop
{
public:
    explicit CLoop(CControlServer& server)
        : m_server(server)
    { }
    ~CLoop()
    {
        for (auto& [id, connection] : m_connections)
            ::close(connection.fd);
    }

    void Run()
    {
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<uint64_t> ids;
            fds.push_back({m_server.m_shared->wakeRead, POLLIN, 0});
            fds.push_back({m_server.m_listenFd, POLLIN, 0});
            SteadyClock::time_point next = SteadyClock::now() + std::chrono::seconds(60);
            for (auto& [id, connection] : m_connections) {
                // A waiting caller is watched for leaving (POLLHUP comes without asking).
                const short events = connection.state == State::Reading ? POLLIN
                    : connection.state == State::Writing                ? POLLOUT
                                                                        : 0;
                fds.push_back({connection.fd, events, 0});
                ids.push_back(id);
                if (connection.hasDeadline)
                    next = std::min(next, connection.deadline);
            }
            const int ready = ::poll(fds.data(), fds.size(), MillisecondsUntil(next));
            if (ready < 0 && errno != EINTR)
                return;
            if (fds[0].revents != 0 && !TakeAnswers())
                return;
            for (size_t i = 2; i < fds.size(); ++i) {
                if (fds[i].revents != 0)
                    Serve(ids[i - 2], fds[i].revents);
            }
            if (fds[1].revents & POLLIN)
                Accept();
            Expire();
        }
    }

private:
    enum class State
    {
        Reading,
        Waiting,
        Writing,
    };
    struct Connection
    {
        int fd = -1;
        State state = State::Reading;
        std::string bytes; // the request while reading, the answer while writing
        size_t written = 0;
        bool hasDeadline = true;
        SteadyClock::time_point deadline;
        std::shared_ptr<CControlTicket> ticket;
    };

    SteadyClock::time_point After(int ms) const { return SteadyClock::now() + std::chrono::milliseconds(ms); }

    // False when the server stops.
    bool TakeAnswers()
    {
        char drain[256];
        while (::read(m_server.m_shared->wakeRead, drain, sizeof drain) > 0) { }
        std::vector<std::pair<uint64_t, std::string>> answered;
        {
            std::lock_guard guard(m_server.m_shared->lock);
            if (m_server.m_shared->stopping)
                return false;
            answered.swap(m_server.m_shared->answered);
        }
        for (auto& [id, bytes] : answered) {
            const auto found = m_connections.find(id);
            if (found != m_connections.end() && found->second.state == State::Waiting)
                StartWriting(found->second, std::move(bytes));
        }
        return true;
    }

    void Accept()
    {
        for (;;) {
            const int fd = ::accept4(m_server.m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd < 0)
                return;
            // Another user never gets a byte from us, whatever the socket's permissions say.
            if (PeerUserId(fd) != static_cast<long>(::geteuid())
                || m_connections.size() >= m_server.m_limits.maxConnections) {
                ::close(fd);
                continue;
            }
            Connection connection;
            connection.fd = fd;
            connection.deadline = After(m_server.m_limits.requestMs);
            m_connections.emplace(++m_lastId, std::move(connection));
        }
    }

    void Serve(uint64_t id, short revents)
    {
        Connection& connection = m_connections.at(id);
        switch (connection.state) {
        case State::Reading:
            Read(id, connection);
            return;
        case State::Waiting:
            // The caller left: its request is not done at all, unless the work has begun already.
            if (revents & (POLLHUP | POLLERR)) {
                connection.ticket->GiveUp();
                Close(id);
            }
            return;
        case State::Writing:
            Write(id, connection);
            return;
        }
    }

    void Read(uint64_t id, Connection& connection)
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (n < 0) {
                Close(id);
                return;
            }
            if (n == 0)
                break;
            connection.bytes.append(buffer, static_cast<size_t>(n));
            if (connection.bytes.size() > kMaxControlRequestBytes) {
                StartWriting(
                    connection,
                    EncodeControlAnswer(ControlAnswer::Refuse("the request is longer than 1 MB; nothing was done")));
                return;
            }
        }
        std::optional<ControlRequest> request = DecodeControlRequest(connection.bytes);
        if (!request) {
            StartWriting(connection,
                         EncodeControlAnswer(ControlAnswer::Refuse(
                             "the request cannot be read (is sitevigil-cli of another version?)")));
            return;
        }
        connection.state = State::Waiting;
        connection.bytes.clear();
        connection.deadline = After(m_server.m_limits.waitMs);
        connection.ticket = std::make_shared<CControlTicket>(m_server.m_shared, id);
        m_server.m_dispatcher.Post([handler = m_server.m_handler, request = std::move(*request),
                                    ticket = connection.ticket] { handler(request, ticket); });
    }

    void StartWriting(Connection& connection, std::string bytes)
    {
        connection.state = State::Writing;
        connection.bytes = std::move(bytes);
        connection.written = 0;
        connection.hasDeadline = true;
        connection.deadline = After(m_server.m_limits.writeStallMs);
        ::shutdown(connection.fd, SHUT_RD);
    }

    void Write(uint64_t id, Connection& connection)
    {
        while (connection.written < connection.bytes.size()) {
            const ssize_t n = ::send(connection.fd, connection.bytes.data() + connection.written,
                                     connection.bytes.size() - connection.written, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                connection.deadline = After(m_server.m_limits.writeStallMs);
                return;
            }
            if (n <= 0)
                break;
            connection.written += static_cast<size_t>(n);
        }
        Close(id);
    }

    void Expire()
    {
        const SteadyClock::time_point now = SteadyClock::now();
        std::vector<uint64_t> late;
        for (auto& [id, connection] : m_connections) {
            if (connection.hasDeadline && connection.deadline <= now)
                late.push_back(id);
        }
        for (const uint64_t id : late) {
            Connection& connection = m_connections.at(id);
            if (connection.state != State::Waiting) {
                Close(id);
            } else if (connection.ticket->GiveUp()) {
                StartWriting(connection,
                             EncodeControlAnswer(ControlAnswer::Fail(
                                 "the running program was busy for " + std::to_string(m_server.m_limits.waitMs / 1000)
                                 + " s (a dialog is open, or a check run goes on); nothing was done")));
            } else {
                // Taken: the work is under way and is answered when done (a check run).
                connection.hasDeadline = false;
            }
        }
    }

    void Close(uint64_t id)
    {
        ::close(m_connections.at(id).fd);
        m_connections.erase(id);
    }

    CControlServer& m_server;
    std::map<uint64_t, Connection> m_connections;
    uint64_t m_lastId = 0;
};

CControlServer::CControlServer(IFrontEndDispatcher& dispatcher, Handler handler)
    : CControlServer(dispatcher, std::move(handler), Limits{})
{ }

CControlServer::CControlServer(IFrontEndDispatcher& dispatcher, Handler handler, Limits limits)
    : m_dispatcher(dispatcher)
    , m_handler(std::move(handler))
    , m_limits(limits)
    , m_shared(std::make_shared<CControlTicket::Shared>())
{ }

CControlServer::~CControlServer()
{
    Stop();
}

Status CControlServer::Start(const std::string& storageFolder)
{
    if (m_listenFd >= 0)
        return {};
    Result<std::string> path = ControlSocketPath(storageFolder);
    if (!path)
        return path.error();
    Result<int> listening = ListenLocalSocket(path.value());
    if (!listening)
        return listening.error();
    m_path = path.value();
    m_listenFd = listening.value();
    int wake[2];
    if (::fcntl(m_listenFd, F_SETFL, O_NONBLOCK) != 0 || ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int why = errno;
        Stop();
        return MakeError(ErrorKind::Io, "cannot serve the control socket: " + SystemErrorText(why));
    }
    m_shared = std::make_shared<CControlTicket::Shared>();
    m_shared->wakeRead = wake[0];
    m_shared->wakeWrite = wake[1];
    m_thread = std::thread([this] { CLoop(*this).Run(); });
    return {};
}

void CControlServer::Stop()
{
    {
        std::lock_guard guard(m_shared->lock);
        m_shared->stopping = true;
        if (m_shared->wakeWrite >= 0)
            m_shared->Wake();
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(m_path.c_str());
        m_listenFd = -1;
    }
    std::lock_guard guard(m_shared->lock);
    for (int* fd : {&m_shared->wakeRead, &m_shared->wakeWrite}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
