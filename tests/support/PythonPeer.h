#pragma once

#include "TestEnv.h"

#include <string>
#include <sys/types.h>
#include <vector>

// A test peer written in Python (a script of tests/support) run with Debian's /usr/bin/python3. The
// script prints one line when it is ready (its port, or "ready") and stops when its input ends, so
// that a test that dies never leaves it behind.
class CPythonPeer
{
public:
    // Starts tests/support/<script> with the arguments (or the program, when script is a full path);
    // waits up to 20 s for its first line.
    CPythonPeer(const std::string& script, const std::vector<std::string>& args,
                const std::vector<std::string>& environment = {});
    ~CPythonPeer();
    CPythonPeer(const CPythonPeer&) = delete;
    CPythonPeer& operator=(const CPythonPeer&) = delete;

    bool Ready() const { return !m_firstLine.empty(); }
    const std::string& FirstLine() const { return m_firstLine; }
    // Ends the script at once (SIGKILL), as a crash would.
    void Kill();

    static std::string ScriptPath(const std::string& script);

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    std::string m_firstLine;
};

// The webhook peer (webhook_peer.py): records every request; answers by path (see the script).
class CWebhookPeer
{
public:
    struct Request
    {
        std::string method;
        std::string path;
        std::string headers; // the request's headers as a JSON object, names in lower case
        std::string body;
    };
    // port 0: any free port.
    explicit CWebhookPeer(int port = 0);
    bool Ready() const { return m_peer.Ready(); }
    int Port() const;
    std::string Base() const { return "127.0.0.1:" + std::to_string(Port()); }
    std::vector<Request> Requests() const;
    // A header of a request, "" when absent.
    static std::string Header(const Request& request, const std::string& name);

private:
    CTempDir m_dir;
    CPythonPeer m_peer;
};

// A port no one listens on now (it may be taken later).
int UnusedLoopbackPort();
