#include "AiosmtpdServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

const char* const kHandlerScript = R"(import asyncio, os, ssl, sys
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

out = sys.argv[2]
mode = sys.argv[3]
count = 0

class Keep:
    async def handle_DATA(self, server, session, envelope):
        global count
        count += 1
        with open(os.path.join(out, '%d.eml' % count), 'wb') as f:
            f.write(envelope.original_content)
        with open(os.path.join(out, '%d.env' % count), 'w') as f:
            f.write(envelope.mail_from + '\n' + ''.join(r + '\n' for r in envelope.rcpt_tos))
        return '250 Message accepted for delivery'

def check(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == b'ann' and auth_data.password == b'secret'
    return AuthResult(success=ok, handled=False)

options = {}
if mode != 'plain':
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(sys.argv[4], sys.argv[5])
    options = dict(authenticator=check, auth_require_tls=True)
    if mode == 'starttls':
        options.update(tls_context=context, require_starttls=True)
    else:
        options.update(ssl_context=context)
controller = Controller(Keep(), hostname='127.0.0.1', port=int(sys.argv[1]), **options)
controller.start()
try:
    sys.stdin.read()
finally:
    controller.stop()
)";

int FreePort()
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

bool CanConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

CAiosmtpdServer::CAiosmtpdServer(Mode mode, const std::string& certFile, const std::string& keyFile)
{
    m_port = FreePort();
    const std::string script = m_dir.Path() + "keep.py";
    WriteFileBytes(script, kHandlerScript);
    int input[2];
    if (::pipe(input) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    const std::string port = std::to_string(m_port);
    const std::string out = m_dir.Path();
    const char* modeName = mode == Mode::Plain ? "plain" : mode == Mode::StartTls ? "starttls" : "tls";
    const char* argv[] = {"/usr/bin/python3", script.c_str(),   port.c_str(),    out.c_str(),
                          modeName,           certFile.c_str(), keyFile.c_str(), nullptr};
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    m_stdin = input[1];
    for (int i = 0; i < 200 && m_pid > 0; ++i) {
        if (CanConnect(m_port)) {
            m_ready = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

CAiosmtpdServer::~CAiosmtpdServer()
{
    if (m_stdin >= 0)
        ::close(m_stdin); // the script stops when its input ends
    if (m_pid > 0) {
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool CAiosmtpdServer::MakeCertificate(const std::string& certFile, const std::string& keyFile)
{
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
                                " -addext subjectAltName=IP:127.0.0.1 -keyout '"
        + keyFile + "' -out '" + certFile + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}
