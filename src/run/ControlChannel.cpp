#include "run/ControlChannel.h"

#include "platform/LocalSocket.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

ControlAnswer Broken(const std::string& why)
{
    return ControlAnswer::Fail("the program that holds the list did not answer: " + why);
}

// Reads until the other end shuts its side; false (errno says why) when the channel broke.
bool ReceiveAll(int fd, std::string& bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

Result<std::string> ControlSocketPath(const std::string& storageFolder)
{
    Result<std::string> folder = PrivateSocketFolder(storageFolder);
    if (!folder)
        return MakeError(folder.error().kind, "no safe place for the control socket: " + folder.error().message);
    return folder.value() + kControlSocketName;
}

std::optional<ControlAnswer> SendControlRequest(const std::string& storageFolder, const ControlRequest& request,
                                                const std::function<void()>& stillWaiting)
{
    Result<std::string> path = ControlSocketPath(storageFolder);
    if (!path)
        return ControlAnswer::Fail(path.error().message);
    Result<int> connected = ConnectLocalSocket(path.value());
    if (!connected && connected.error().kind == ErrorKind::NotFound)
        return std::nullopt;
    if (!connected)
        return ControlAnswer::Fail(connected.error().message + "; nothing was handed over");
    const int fd = connected.value();
    const std::string bytes = EncodeControlRequest(request);
    if (bytes.size() > kMaxControlRequestBytes) {
        ::close(fd);
        return ControlAnswer::Refuse("the request is longer than 1 MB; nothing was done");
    }
    // A server that refuses a request stops reading it: its answer may still be there to read.
    const bool sent = SendAllBytes(fd, bytes);
    const int sendError = errno;
    ::shutdown(fd, SHUT_WR);
    if (stillWaiting && sent) {
        pollfd answer = {fd, POLLIN, 0};
        int ready;
        while ((ready = ::poll(&answer, 1, kStillWaitingMs)) < 0 && errno == EINTR) { }
        if (ready == 0)
            stillWaiting();
    }
    std::string reply;
    const bool whole = ReceiveAll(fd, reply);
    const int receiveError = errno;
    ::close(fd);
    if (std::optional<ControlAnswer> answer = DecodeControlAnswer(reply))
        return answer;
    if (!sent)
        return Broken(SystemErrorText(sendError));
    if (!whole)
        return Broken(SystemErrorText(receiveError));
    return Broken(reply.empty() ? "the channel closed without an answer" : "its answer cannot be read");
}
