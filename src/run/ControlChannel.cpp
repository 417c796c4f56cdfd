#include "run/ControlChannel.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void PutText(std::string& out, const std::string& text)
{
    const auto size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((size >> shift) & 0xFF);
    out += text;
}

bool GetText(const std::string& bytes, size_t& pos, std::string& text)
{
    if (bytes.size() - pos < 4)
        return false;
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[pos + i])) << (8 * i);
    pos += 4;
    if (bytes.size() - pos < size)
        return false;
    text = bytes.substr(pos, size);
    pos += size;
    return true;
}

} // namespace

std::string EncodeControlRequest(const std::vector<std::string>& args)
{
    std::string out;
    PutText(out, std::to_string(args.size()));
    for (const std::string& arg : args)
        PutText(out, arg);
    return out;
}

bool DecodeControlRequest(const std::string& bytes, std::vector<std::string>& args)
{
    size_t pos = 0;
    std::string countText;
    if (!GetText(bytes, pos, countText) || countText.empty() || countText.size() > 9
        || countText.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const size_t count = std::stoul(countText);
    args.clear();
    for (size_t i = 0; i < count; ++i) {
        std::string arg;
        if (!GetText(bytes, pos, arg))
            return false;
        args.push_back(std::move(arg));
    }
    return pos == bytes.size();
}

std::string EncodeControlReply(const ControlReply& reply)
{
    std::string out;
    PutText(out, std::to_string(reply.status));
    PutText(out, reply.out);
    PutText(out, reply.err);
    return out;
}

bool DecodeControlReply(const std::string& bytes, ControlReply& reply)
{
    size_t pos = 0;
    std::string status;
    if (!GetText(bytes, pos, status) || status.empty() || status.size() > 3
        || status.find_first_not_of("0123456789") != std::string::npos)
        return false;
    reply.status = std::stoi(status);
    return GetText(bytes, pos, reply.out) && GetText(bytes, pos, reply.err) && pos == bytes.size();
}

bool MakeControlAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int ConnectControlSocket(const std::string& path)
{
    sockaddr_un address;
    if (!MakeControlAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
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

ReceiveResult ReceiveAllBytes(int fd, std::string& bytes, int timeoutMs)
{
    char buffer[65536];
    for (;;) {
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return ReceiveResult::Broken;
        if (ready == 0)
            return ReceiveResult::TimedOut;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReceiveResult::Broken;
        if (n == 0)
            return ReceiveResult::Whole;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > kMaxControlMessage)
            return ReceiveResult::TooLong;
    }
}

bool SendControlRequest(const std::string& storageFolder, const std::vector<std::string>& args, ControlReply& reply,
                        const std::function<void()>& stillWaiting)
{
    const int fd = ConnectControlSocket(storageFolder + kControlSocketName);
    if (fd < 0)
        return false;
    const auto broken = [&](const std::string& why) {
        ::close(fd);
        reply = {1, {}, "the program that holds the list did not answer: " + why};
        return true;
    };
    if (!SendAllBytes(fd, EncodeControlRequest(args)))
        return broken(std::strerror(errno));
    ::shutdown(fd, SHUT_WR);
    // The answer comes when the work is done, which may take a whole check run: no time-out.
    if (stillWaiting) {
        pollfd answer = {fd, POLLIN, 0};
        int ready;
        while ((ready = ::poll(&answer, 1, kStillWaitingMs)) < 0 && errno == EINTR) { }
        if (ready == 0)
            stillWaiting();
    }
    std::string bytes;
    switch (ReceiveAllBytes(fd, bytes, -1)) {
    case ReceiveResult::Whole:
        break;
    case ReceiveResult::TooLong:
        return broken("the answer is too long");
    case ReceiveResult::Broken:
    case ReceiveResult::TimedOut:
        return broken(std::strerror(errno));
    }
    ::close(fd);
    if (!DecodeControlReply(bytes, reply))
        reply = {1,
                 {},
                 bytes.empty() ? "the program that holds the list refused the request"
                               : "the program that holds the list gave an answer that cannot be read"};
    return true;
}
