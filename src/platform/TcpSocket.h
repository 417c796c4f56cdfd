#pragma once

#include <cstddef>
#include <string>

// A blocking IPv4 TCP client socket over POSIX sockets. Each operation is one system call (or a
// short retry loop around one) and leaves the system error code in LastError() when it fails.
class CTcpSocket
{
public:
    CTcpSocket() = default;
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    // Opens an IPv4 stream socket; false when none could be obtained.
    bool Create();
    // A dotted IPv4 address is used as is; any other host is looked up (IPv4 only) and the first
    // address taken. A failed lookup gives EINVAL. A connect not made within timeoutMs gives ETIMEDOUT.
    bool Connect(const std::string& host, unsigned port, unsigned timeoutMs);
    // Sends the whole buffer; false only when the system reports an error.
    bool Send(const char* data, size_t length);
    bool Send(const std::string& text) { return Send(text.data(), text.size()); }
    // Waits up to timeoutMs for data (or for the peer to close). False when the wait itself failed.
    bool WaitReadable(unsigned timeoutMs, bool& readable);
    // One receive of at most size bytes: the count, 0 when the peer closed, -1 on an error.
    long Receive(char* buffer, size_t size);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    int LastError() const { return m_nLastError; }
    void SetLastError(int error) { m_nLastError = error; }

    // The local computer's host name ("" when it cannot be read).
    static std::string LocalHostName();

private:
    int m_fd = -1;
    int m_nLastError = 0;
};
