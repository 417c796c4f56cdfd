#include "cli/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int g_writeFd = -1;
volatile std::sig_atomic_t g_signal = 0;
struct sigaction g_previousInt
{
};
struct sigaction g_previousTerm
{
};

void OnStopSignal(int number)
{
    int savedErrno = errno;
    if (g_signal == 0)
        g_signal = number;
    if (g_writeFd >= 0) {
        char byte = 1;
        ssize_t written = write(g_writeFd, &byte, 1);
        (void)written;
    }
    errno = savedErrno;
}
} // namespace

CStopSignals::CStopSignals()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readFd = fds[0];
    g_writeFd = fds[1];
    g_signal = 0;

    struct sigaction action
    {
    };
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_valid = sigaction(SIGINT, &action, &g_previousInt) == 0 && sigaction(SIGTERM, &action, &g_previousTerm) == 0;
}

CStopSignals::~CStopSignals()
{
    if (m_readFd < 0)
        return;
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
    close(g_writeFd);
    g_writeFd = -1;
    close(m_readFd);
}

bool CStopSignals::Received()
{
    if (m_readFd >= 0) {
        char buffer[16];
        while (read(m_readFd, buffer, sizeof buffer) > 0) { }
    }
    return g_signal != 0;
}
