#include "SmtpTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

struct CSmtpTestServer::Impl
{
    int listenFd = -1;
    int wakePipe[2] = {-1, -1};
    int port = 0;
    std::thread thread;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::map<std::string, std::string> replies;
    std::map<std::string, std::string> recipientReplies;
    std::vector<Step> script;
    bool scripted = false;
    int connections = 0;
    bool busy = false;
    std::string received;
    std::vector<Message> messages;

    // Per connection.
    int fd = -1;
    std::string pending;

    void Run();
    void Serve();
    void PlayScript(const std::vector<Step>& steps);
    void PlayWellBehaved();
    bool Stopping() const;
    bool ReadLine(std::string& line);
    bool Write(const std::string& text);
    std::string Reply(const std::string& step);
    void Drain();
};

CSmtpTestServer::CSmtpTestServer()
    : m_impl(std::make_unique<Impl>())
{
    Impl& d = *m_impl;
    d.replies = {{"GREETING", "220 localhost test server ready\r\n"},
                 {"HELO", "250 localhost\r\n"},
                 {"EHLO", "250 localhost\r\n"},
                 {"MAIL", "250 2.1.0 Ok\r\n"},
                 {"RCPT", "250 2.1.5 Ok\r\n"},
                 {"DATA", "354 End data with <CR><LF>.<CR><LF>\r\n"},
                 {"END", "250 2.0.0 Ok: queued\r\n"},
                 {"QUIT", "221 2.0.0 Bye\r\n"}};
    if (::pipe(d.wakePipe) != 0)
        throw std::runtime_error("cannot create a pipe");
    d.listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (d.listenFd < 0 || ::bind(d.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(d.listenFd, 8) != 0
        || ::getsockname(d.listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    d.port = ntohs(address.sin_port);
    d.thread = std::thread([&d] { d.Run(); });
}

CSmtpTestServer::~CSmtpTestServer()
{
    Impl& d = *m_impl;
    const char stop = 'x';
    [[maybe_unused]] const ssize_t n = ::write(d.wakePipe[1], &stop, 1);
    d.thread.join();
    ::close(d.listenFd);
    ::close(d.wakePipe[0]);
    ::close(d.wakePipe[1]);
}

int CSmtpTestServer::Port() const
{
    return m_impl->port;
}

void CSmtpTestServer::SetReply(const std::string& step, const std::string& reply)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->replies[step] = reply;
}

void CSmtpTestServer::SetRecipientReply(const std::string& address, const std::string& reply)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->recipientReplies[address] = reply;
}

void CSmtpTestServer::SetScript(std::vector<Step> steps)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->script = std::move(steps);
    m_impl->scripted = true;
}

bool CSmtpTestServer::WaitIdle(int timeoutMs) const
{
    std::unique_lock lock(m_impl->mutex);
    return m_impl->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_impl->busy; });
}

int CSmtpTestServer::Connections() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->connections;
}

std::string CSmtpTestServer::Received() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->received;
}

std::vector<std::string> CSmtpTestServer::ReceivedLines() const
{
    const std::string text = Received();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<CSmtpTestServer::Message> CSmtpTestServer::Messages() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->messages;
}

void CSmtpTestServer::Impl::Run()
{
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        // Pieces of a reply must leave as separate segments.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        {
            std::lock_guard lock(mutex);
            ++connections;
            busy = true;
        }
        pending.clear();
        Serve();
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        {
            std::lock_guard lock(mutex);
            busy = false;
        }
        changed.notify_all();
    }
}

bool CSmtpTestServer::Impl::Stopping() const
{
    pollfd entry{wakePipe[0], POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
}

void CSmtpTestServer::Impl::Serve()
{
    std::vector<Step> steps;
    bool useScript;
    {
        std::lock_guard lock(mutex);
        steps = script;
        useScript = scripted;
    }
    if (useScript)
        PlayScript(steps);
    else
        PlayWellBehaved();
    Drain();
}

bool CSmtpTestServer::Impl::ReadLine(std::string& line)
{
    for (;;) {
        const size_t end = pending.find("\r\n");
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            pending.erase(0, end + 2);
            return true;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents)
            return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        {
            std::lock_guard lock(mutex);
            received.append(chunk, static_cast<size_t>(n));
        }
        pending.append(chunk, static_cast<size_t>(n));
    }
}

bool CSmtpTestServer::Impl::Write(const std::string& text)
{
    return text.empty() || ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string CSmtpTestServer::Impl::Reply(const std::string& step)
{
    std::lock_guard lock(mutex);
    return replies[step];
}

void CSmtpTestServer::Impl::Drain()
{
    // Keep reading until the client closes, so that late commands (QUIT) are recorded.
    std::string line;
    while (fd >= 0 && ReadLine(line)) { }
}

void CSmtpTestServer::Impl::PlayScript(const std::vector<Step>& steps)
{
    std::string line;
    for (const Step& step : steps) {
        if (Stopping())
            return;
        switch (step.kind) {
        case Step::Send:
            for (size_t i = 0; i < step.pieces.size(); ++i) {
                if (i > 0 && step.delayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(step.delayMs));
                if (!Write(step.pieces[i]))
                    return;
            }
            break;
        case Step::ReceiveLine:
            if (!ReadLine(line))
                return;
            break;
        case Step::ReceiveData:
            while (ReadLine(line) && line != ".") { }
            break;
        case Step::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.delayMs));
            break;
        case Step::Close:
            ::close(fd);
            fd = -1;
            return;
        }
    }
}

void CSmtpTestServer::Impl::PlayWellBehaved()
{
    if (!Write(Reply("GREETING")))
        return;
    Message message;
    std::string line;
    while (ReadLine(line)) {
        std::string verb = line.substr(0, line.find_first_of(" :"));
        std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char c) { return std::toupper(c); });
        std::string reply;
        if (verb == "HELO" || verb == "EHLO") {
            message.helo = line;
            reply = Reply(verb);
        } else if (verb == "MAIL") {
            message.mailFrom = line;
            reply = Reply("MAIL");
        } else if (verb == "RCPT") {
            message.recipients.push_back(line);
            const size_t open = line.find('<');
            const size_t close = line.rfind('>');
            const std::string address
                = open != std::string::npos && close > open ? line.substr(open + 1, close - open - 1) : std::string();
            std::lock_guard lock(mutex);
            const auto found = recipientReplies.find(address);
            reply = found != recipientReplies.end() ? found->second : replies["RCPT"];
        } else if (verb == "DATA") {
            const std::string answer = Reply("DATA");
            if (!Write(answer))
                return;
            if (answer.compare(0, 3, "354") != 0)
                continue;
            std::string data;
            bool ended = false;
            while (ReadLine(line)) {
                if (line == ".") {
                    ended = true;
                    break;
                }
                data += line + "\r\n";
            }
            if (!ended)
                return;
            message.data = data;
            {
                std::lock_guard lock(mutex);
                messages.push_back(message);
            }
            message = Message{message.helo, {}, {}, {}};
            reply = Reply("END");
        } else if (verb == "QUIT") {
            Write(Reply("QUIT"));
            return;
        } else if (verb == "RSET" || verb == "NOOP") {
            reply = "250 Ok\r\n";
        } else {
            reply = "502 5.5.2 Error: command not recognized\r\n";
        }
        if (!Write(reply))
            return;
    }
}
