#include "cli/CliContext.h"

#include "model/PageLookup.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/TerminalText.h"

#include <unistd.h>

std::string AbsolutePath(const std::string& path)
{
    char cwd[4096];
    if (path.empty() || path[0] == '/' || !::getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

CliContext::CliContext(std::string commandName, std::vector<std::string> arguments, std::ostream& outStream,
                       std::ostream& errStream, bool terminal)
    : command(std::move(commandName))
    , args(std::move(arguments))
    , out(outStream)
    , err(errStream)
    , outIsTerminal(terminal)
{ }

CVigilPrefs& CliContext::Prefs()
{
    return CVigilPrefs::GetInstance();
}

int CliContext::Usage(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": " << TerminalText(message) << "\n";
    return kExitUsage;
}

int CliContext::Fail(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": " << TerminalText(message) << "\n";
    return kExitFailed;
}

void CliContext::Warn(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": warning: " << TerminalText(message) << "\n";
}

int CliContext::LockStorage()
{
    const Status result = m_session.Lock(kLockWaitMs);
    return result ? kExitOk : Fail(result.error().message);
}

int CliContext::OpenList(bool forChange)
{
    if (forChange) {
        if (const int status = LockStorage(); status != kExitOk)
            return status;
    }
    const Status result = m_session.Open(forChange);
    if (result)
        return kExitOk;
    if (!m_session.IsDamaged())
        return Fail(result.error().message);
    if (forChange)
        return Usage(result.error().message + "; nothing was changed");
    Warn(result.error().message);
    // The readable pages are shown, but the caller ends with this status.
    return kExitUsage;
}

int CliContext::SaveList()
{
    const Status result = Session().Save();
    return result ? kExitOk : Fail(result.error().message);
}

int CliContext::PositionOf(const Curl* record) const
{
    return PagePosition(Doc(), record);
}

std::string CliContext::Label(const Curl* record) const
{
    return PageLabel(Doc(), record);
}

Curl* CliContext::FindPage(const std::string& page)
{
    Result<Curl*> found = ::FindPage(Doc(), page);
    if (found)
        return found.value();
    Usage(found.error().message);
    return nullptr;
}

int CliContext::FindPagesOrAll(const std::vector<std::string>& pages, std::vector<Curl*>& found)
{
    return Found(::FindPages(Doc(), pages, true), found);
}

int CliContext::FindPages(const std::vector<std::string>& pages, std::vector<Curl*>& found)
{
    return Found(::FindPages(Doc(), pages, false), found);
}

int CliContext::Found(Result<std::vector<Curl*>> result, std::vector<Curl*>& found)
{
    found.clear();
    if (!result)
        return Usage(result.error().message);
    found = std::move(result.value());
    return kExitOk;
}
