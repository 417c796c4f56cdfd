#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <string>

// A blocking IPv4 TCP client socket over POSIX sockets. Each operation is one system call (or a
// short retry loop around one); a failure gives the system's words for it: Network, TimedOut for a
// connect not made in time, NotFound for a host name that cannot be looked up, BadInput for a port
// out of range, Internal for a socket that is not open.
class CTcpSocket
{
public:
    CTcpSocket() = default;
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    // Opens an IPv4 stream socket.
    Status Create();
    // A dotted IPv4 address is used as is; any other host is looked up (IPv4 only) and the first
    // address taken.
    Status Connect(const std::string& host, unsigned port, unsigned timeoutMs);
    // Sends the whole buffer; fails only when the system reports an error.
    Status Send(const char* data, size_t length);
    Status Send(const std::string& text) { return Send(text.data(), text.size()); }
    // Waits up to timeoutMs for data (or for the peer to close): whether there is any to read.
    Result<bool> WaitReadable(unsigned timeoutMs);
    // One receive of at most size bytes: the count, 0 when the peer closed.
    Result<size_t> Receive(char* buffer, size_t size);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }

    // The local computer's host name ("" when it cannot be read).
    static std::string LocalHostName();

private:
    int m_fd = -1;
};
