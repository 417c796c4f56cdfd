#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A program the test starts beside itself (a proxy, a TLS server), stopped when the object goes.
class CPeerProcess
{
public:
    CPeerProcess() = default;
    ~CPeerProcess();
    CPeerProcess(const CPeerProcess&) = delete;
    CPeerProcess& operator=(const CPeerProcess&) = delete;

    // Starts argv[0] (looked up in PATH) in the folder; its output is collected. False when it cannot start.
    bool Start(const std::vector<std::string>& argv, const std::string& folder = {});
    // Waits for a line of output that contains text; the line is returned. False on time-out or exit.
    bool WaitForOutput(const std::string& text, int timeoutMs, std::string* line = nullptr);
    // Everything the program wrote so far.
    const std::string& Output() const { return m_output; }
    void Stop();

    // Runs a program to its end; its exit status, or -1 when it could not run.
    static int Run(const std::vector<std::string>& argv, const std::string& folder = {});
    // A port on 127.0.0.1 nobody listens on just now.
    static int FreePort();
    // True once something accepts connections on 127.0.0.1 at the port.
    static bool WaitForPort(int port, int timeoutMs);

private:
    pid_t m_pid = -1;
    int m_outputFd = -1;
    std::string m_output;
};
