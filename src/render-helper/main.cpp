// sitevigil-render: checks pages through the browser engine for the programs that link no Qt. It reads
// requests from standard input and writes answers to standard output (RenderProtocol.h), without a
// display (the off-screen platform).

#include "RenderService.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWebEngineProfile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    // The pipe moves to a descriptor of its own that the engine's processes do not inherit; standard
    // output then goes to standard error, so that nothing the engine prints can spoil a frame.
    const int pipeFd = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 10);
    if (pipeFd < 0) {
        std::perror("sitevigil-render");
        return 1;
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);

    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (::geteuid() == 0 && !std::getenv("QTWEBENGINE_DISABLE_SANDBOX")) {
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        std::fputs("sitevigil-render: running as root, so the page engine runs without its sandbox.\n", stderr);
    }
    // The engine's own chatter (graphics back ends, paths) is no news for the user of a check run.
    if (!std::getenv("SITEVIGIL_RENDER_DEBUG")) {
        std::fflush(stderr);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
    }
    // The engine takes its own switches (proxy, user agent) from the command line; no GPU off screen.
    std::vector<char*> args(argv, argv + argc);
    static char noGpu[] = "--disable-gpu";
    args.push_back(noGpu);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(count, args.data());
    QGuiApplication::setApplicationName(QStringLiteral("sitevigil-render"));

    CRenderService service(pipeFd);
    service.start();
    const int rc = app.exec();
    service.stopReading();
    // Leaving at once: the pages still open die with the process.
    std::fflush(stderr);
    ::_exit(rc);
}
