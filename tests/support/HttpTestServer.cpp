#include "HttpTestServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace {

// A request head larger than this is refused.
constexpr size_t kMaxHeadSize = 64 * 1024;
// And a request body larger than this.
constexpr unsigned long long kMaxBodySize = 64 * 1024 * 1024;

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Trim(const std::string& text)
{
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return {};
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(start, end - start + 1);
}

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 407:
        return "Proxy Authentication Required";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string PathOf(const std::string& target)
{
    return target.substr(0, target.find('?'));
}

} // namespace

std::string CHttpTestServer::Request::Header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (EqualsNoCase(key, name))
            return value;
    }
    return {};
}

struct CHttpTestServer::Impl
{
    int listenFd = -1;
    int port = 0;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::thread acceptThread;

    mutable std::mutex mutex; // pages, handlers and the request log
    std::map<std::string, Handler> handlers;
    Handler defaultHandler;
    std::vector<Request> log;

    std::mutex connMutex; // open connections
    std::condition_variable connDone;
    std::set<int> connections;
    int activeThreads = 0;
    bool stopping = false;

    void AcceptLoop();
    void Serve(int fd);
    Response Dispatch(const Request& request);
    bool ReadRequest(int fd, std::string& pending, Request& request);
    bool SendResponse(int fd, const Request& request, Response& response, bool close);
    // Waits ms milliseconds; false when the server stops or the client hangs up meanwhile.
    bool Wait(int fd, int ms) const;
    void Stop();
};

namespace {

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool SendAll(int fd, const std::string& text)
{
    return SendAll(fd, text.data(), text.size());
}

bool SendChunk(int fd, const std::string& chunk)
{
    if (chunk.empty())
        return true; // an empty chunk would end the body
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
    return SendAll(fd, std::string(size) + chunk + "\r\n");
}

} // namespace

CHttpTestServer::CHttpTestServer()
    : m_impl(std::make_unique<Impl>())
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("test server: cannot make a pipe");
    m_impl->wakeRead = pipeFds[0];
    m_impl->wakeWrite = pipeFds[1];

    m_impl->listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_impl->listenFd < 0 || bind(m_impl->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(m_impl->listenFd, 256) != 0
        || getsockname(m_impl->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (m_impl->listenFd >= 0)
            close(m_impl->listenFd);
        close(m_impl->wakeRead);
        close(m_impl->wakeWrite);
        throw std::runtime_error("test server: cannot listen on 127.0.0.1");
    }
    m_impl->port = ntohs(address.sin_port);
    m_impl->acceptThread = std::thread([impl = m_impl.get()] { impl->AcceptLoop(); });
}

CHttpTestServer::~CHttpTestServer()
{
    m_impl->Stop();
}

void CHttpTestServer::Impl::Stop()
{
    {
        std::lock_guard lock(connMutex);
        stopping = true;
        // Wakes the accept loop and every wait for good: the byte is never read.
        const char byte = 1;
        (void)!write(wakeWrite, &byte, 1);
        for (int fd : connections)
            shutdown(fd, SHUT_RDWR);
    }
    if (acceptThread.joinable())
        acceptThread.join();
    std::unique_lock lock(connMutex);
    connDone.wait(lock, [this] { return activeThreads == 0; });
    lock.unlock();
    close(listenFd);
    close(wakeRead);
    close(wakeWrite);
}

void CHttpTestServer::Impl::AcceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(connMutex);
        if (stopping) {
            close(fd);
            return;
        }
        connections.insert(fd);
        ++activeThreads;
        std::thread([this, fd] {
            Serve(fd);
            std::lock_guard doneLock(connMutex);
            connections.erase(fd);
            close(fd);
            --activeThreads;
            connDone.notify_all();
        }).detach();
    }
}

void CHttpTestServer::Impl::Serve(int fd)
{
    std::string pending;
    for (;;) {
        Request request;
        if (!ReadRequest(fd, pending, request))
            return;
        {
            std::lock_guard lock(mutex);
            log.push_back(request);
        }
        const std::string connection = request.Header("Connection");
        const bool close = EqualsNoCase(connection, "close");
        Response response = Dispatch(request);
        bool closeAfter = close;
        for (const auto& [name, value] : response.headers) {
            if (EqualsNoCase(name, "Connection") && EqualsNoCase(value, "close"))
                closeAfter = true;
        }
        if (!SendResponse(fd, request, response, closeAfter) || closeAfter)
            return;
    }
}

CHttpTestServer::Response CHttpTestServer::Impl::Dispatch(const Request& request)
{
    Handler handler;
    {
        std::lock_guard lock(mutex);
        auto it = handlers.find(request.path);
        if (it == handlers.end())
            it = handlers.find(PathOf(request.path));
        if (it != handlers.end())
            handler = it->second;
        else
            handler = defaultHandler;
    }
    if (!handler)
        return Response{404, "Not Found", {{"Content-Type", "text/plain"}}};
    try {
        return handler(request);
    } catch (const std::exception& e) {
        return Response{500, std::string("handler failed: ") + e.what(), {}};
    }
}

bool CHttpTestServer::Impl::ReadRequest(int fd, std::string& pending, Request& request)
{
    char buffer[16384];
    size_t headEnd;
    while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
        if (pending.size() > kMaxHeadSize)
            return false;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(n));
    }
    const std::string head = pending.substr(0, headEnd);
    pending.erase(0, headEnd + 4);

    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t firstSpace = requestLine.find(' ');
    const size_t lastSpace = requestLine.rfind(' ');
    if (firstSpace == std::string::npos || lastSpace == firstSpace)
        return false;
    request.method = requestLine.substr(0, firstSpace);
    request.path = requestLine.substr(firstSpace + 1, lastSpace - firstSpace - 1);
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers.emplace(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    // Request bodies come with a length; chunked uploads are not served.
    if (!request.Header("Transfer-Encoding").empty())
        return false;
    const std::string lengthText = request.Header("Content-Length");
    char* end = nullptr;
    const unsigned long long length = std::strtoull(lengthText.c_str(), &end, 10);
    if ((end == lengthText.c_str() ? !lengthText.empty() : *end != '\0') || length > kMaxBodySize)
        return false;
    while (pending.size() < length) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(n));
    }
    request.body = pending.substr(0, length);
    pending.erase(0, length);
    return true;
}

bool CHttpTestServer::Impl::SendResponse(int fd, const Request& request, Response& response, bool close)
{
    if (response.delayMs > 0 && !Wait(fd, response.delayMs))
        return false;
    if (!response.raw.empty()) {
        SendAll(fd, response.raw);
        return false;
    }
    const bool chunked = !response.chunks.empty() || response.producer;
    const bool noBody = request.method == "HEAD" || response.status == 204 || response.status == 304;
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + Reason(response.status) + "\r\n";
    bool hasLength = false;
    for (const auto& [name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        hasLength = hasLength || EqualsNoCase(name, "Content-Length");
    }
    if (chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!hasLength && !noBody)
        head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    if (close)
        head += "Connection: close\r\n";
    head += "\r\n";
    if (noBody)
        return SendAll(fd, head);
    if (!chunked)
        return SendAll(fd, head + response.body);

    if (!SendAll(fd, head))
        return false;
    for (size_t i = 0; i < response.chunks.size(); ++i) {
        if (i > 0 && response.chunkDelayMs > 0 && !Wait(fd, response.chunkDelayMs))
            return false;
        if (!SendChunk(fd, response.chunks[i]))
            return false;
    }
    if (response.producer) {
        std::string chunk;
        for (;;) {
            {
                std::lock_guard lock(connMutex);
                if (stopping)
                    return false;
            }
            chunk.clear();
            const bool more = response.producer(chunk);
            if (!SendChunk(fd, chunk))
                return false;
            if (!more)
                break;
        }
    }
    return SendAll(fd, "0\r\n\r\n");
}

bool CHttpTestServer::Impl::Wait(int fd, int ms) const
{
    // POLLRDHUP reports a client that hung up without waking for data it may have sent ahead.
    pollfd fds[2] = {{fd, POLLRDHUP, 0}, {wakeRead, POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, ms);
        if (n < 0 && errno == EINTR)
            continue;
        return n == 0;
    }
}

void CHttpTestServer::SetPage(const std::string& path, Response response)
{
    SetHandler(path, [response](const Request&) { return response; });
}

void CHttpTestServer::SetHandler(const std::string& path, Handler handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->handlers[path] = std::move(handler);
}

void CHttpTestServer::SetDefaultHandler(Handler handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->defaultHandler = std::move(handler);
}

int CHttpTestServer::Port() const
{
    return m_impl->port;
}

std::string CHttpTestServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

int CHttpTestServer::RequestCount(const std::string& path) const
{
    return static_cast<int>(Requests(path).size());
}

std::vector<CHttpTestServer::Request> CHttpTestServer::Requests(const std::string& path) const
{
    std::lock_guard lock(m_impl->mutex);
    std::vector<Request> matching;
    for (const Request& request : m_impl->log) {
        if (request.path == path || PathOf(request.path) == path)
            matching.push_back(request);
    }
    return matching;
}

int CHttpTestServer::TotalRequests() const
{
    std::lock_guard lock(m_impl->mutex);
    return static_cast<int>(m_impl->log.size());
}
