#include "ui/list/BrowserLauncher.h"

#include "model/UrlRecord.h"
#include "platform/Process.h"
#include "platform/Shell.h"

#include <QProcess>

#include <csignal>

namespace {

// The desktop entry id of the default browser, such as "firefox.desktop"; empty when none is set.
std::string DefaultBrowserId()
{
    QProcess process;
    process.start("xdg-settings", {"get", "default-web-browser"});
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return process.readAllStandardOutput().trimmed().toStdString();
}

std::string FindBrowserExec()
{
    const std::string entry = FindDesktopEntry(DefaultBrowserId());
    return entry.empty() ? std::string() : ReadDesktopExec(entry);
}

} // namespace

const std::string& CBrowserLauncher::BrowserExec(const Curl& record)
{
    auto found = m_execs.find(&record);
    if (found == m_execs.end())
        found = m_execs.emplace(&record, FindBrowserExec()).first;
    return found->second;
}

std::vector<std::string> CBrowserLauncher::BrowserArgs(const Curl& record)
{
    const std::string& exec = BrowserExec(record);
    std::vector<std::string> args;
    if (!exec.empty())
        args = ExpandDesktopExec(exec, record.GetURL());
    if (args.empty())
        args = {"xdg-open", record.GetURL()};
    return args;
}

void CBrowserLauncher::Open(const Curl& record)
{
    if (record.GetURL().empty())
        return;
    // The browser outlives us and is nobody's child to wait for.
    SpawnOptions options;
    options.newSession = true;
    options.orphan = true;
    options.defaultSignals = {SIGPIPE, SIGCHLD};
    Spawn(BrowserArgs(record), options);
}

void CBrowserLauncher::Forget(const Curl* record)
{
    m_execs.erase(record);
}
