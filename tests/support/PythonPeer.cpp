#include "PythonPeer.h"

#include "TestEnv.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

extern char** environ;

std::string CPythonPeer::ScriptPath(const std::string& script)
{
    return std::string(SITEVIGIL_TEST_SUPPORT_DIR) + "/" + script;
}

CPythonPeer::CPythonPeer(const std::string& script, const std::vector<std::string>& args,
                         const std::vector<std::string>& environment)
{
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    // A script of tests/support, or a program named by its full path.
    const bool program = !script.empty() && script.front() == '/';
    const std::string path = program ? script : ScriptPath(script);
    std::vector<const char*> argv{"/usr/bin/python3", path.c_str()};
    if (program)
        argv.erase(argv.begin());
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    std::vector<const char*> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const std::string& e : environment)
        env.push_back(e.c_str());
    env.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), const_cast<char**>(env.data()))
        != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    m_stdin = input[1];
    std::string line;
    for (;;) {
        pollfd fd{output[0], POLLIN, 0};
        if (m_pid < 0 || ::poll(&fd, 1, 20000) <= 0)
            break;
        char c;
        if (::read(output[0], &c, 1) != 1)
            break;
        if (c == '\n') {
            m_firstLine = line;
            break;
        }
        line += c;
    }
    ::close(output[0]);
}

void CPythonPeer::Kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

CPythonPeer::~CPythonPeer()
{
    if (m_stdin >= 0)
        ::close(m_stdin);
    if (m_pid > 0) {
        // Give it a moment to end on its own, then end it.
        for (int i = 0; i < 40; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                return;
            ::usleep(50 * 1000);
        }
        Kill();
    }
}

CWebhookPeer::CWebhookPeer(int port)
    : m_peer("webhook_peer.py", {m_dir.Path(), std::to_string(port)})
{ }

int CWebhookPeer::Port() const
{
    return std::atoi(m_peer.FirstLine().c_str());
}

std::vector<CWebhookPeer::Request> CWebhookPeer::Requests() const
{
    std::vector<Request> requests;
    std::istringstream lines(ReadFileBytes(m_dir.Path() + "requests.jsonl"));
    std::string line;
    while (std::getline(lines, line)) {
        const nlohmann::json item = nlohmann::json::parse(line, nullptr, false);
        if (item.is_object())
            requests.push_back(Request{item.value("method", ""), item.value("path", ""), item["headers"].dump(),
                                       item.value("body", "")});
    }
    return requests;
}

std::string CWebhookPeer::Header(const Request& request, const std::string& name)
{
    const nlohmann::json headers = nlohmann::json::parse(request.headers, nullptr, false);
    return headers.is_object() ? headers.value(name, "") : "";
}

int UnusedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}
