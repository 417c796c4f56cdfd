#include "ui/app/StartupProbe.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

constexpr int kSettleMs = 3000;

} // namespace

namespace StartupProbe {

void WindowPainted(QWidget* window)
{
    const char* launched = std::getenv("SITEVIGIL_STARTUP_PROBE");
    if (!launched || !*launched || !window)
        return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long nowNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    const double ms = static_cast<double>(nowNs - std::atoll(launched)) / 1e6;
    std::fprintf(stderr, "startup-probe: first paint %.0f ms, resident %ld MB\n", ms, ResidentKb() / 1024);
    QTimer::singleShot(kSettleMs, qApp, []() {
        std::fprintf(stderr, "startup-probe: resident after %d s %ld MB\n", kSettleMs / 1000, ResidentKb() / 1024);
        QApplication::exit(0);
    });
}

} // namespace StartupProbe
