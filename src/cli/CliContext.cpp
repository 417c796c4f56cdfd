#include "cli/CliContext.h"

#include "model/TempFileSweep.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"
#include "platform/TerminalText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <iterator>

CliContext::CliContext(std::string commandName, std::vector<std::string> arguments, std::ostream& outStream,
                       std::ostream& errStream)
    : command(std::move(commandName))
    , args(std::move(arguments))
    , out(outStream)
    , err(errStream)
{
    m_doc.OnNewDocument();
}

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
    if (m_lock.IsHeld())
        return kExitOk;
    const std::string& folder = Prefs().GetStorageFolder();
    if (!MakeFolders(folder, 0700))
        return Fail("cannot create the storage folder " + folder + ": " + std::strerror(errno));
    std::string error;
    if (!m_lock.Acquire(folder, error))
        return Fail(error);
    // No save of ours is in progress now: temporary files left by a killed one can go.
    RemoveStaleTemporaryFiles(folder, Curl().GetPagesFolder());
    return kExitOk;
}

int CliContext::OpenList(bool forChange)
{
    if (forChange) {
        if (const int status = LockStorage(); status != kExitOk)
            return status;
    }
    m_doc.OnNewDocument();
    const DocResult result = m_doc.LoadDefault();
    if (result)
        return kExitOk;
    if (forChange)
        return Usage(result.error + "; nothing was changed");
    Warn(result.error);
    // The readable pages are shown, but the caller ends with this status.
    return kExitUsage;
}

int CliContext::SaveList()
{
    const DocResult result = m_doc.SaveDefault();
    return result ? kExitOk : Fail(result.error);
}

int CliContext::PositionOf(const Curl* record) const
{
    int position = 0;
    for (const auto& item : m_doc.Records()) {
        ++position;
        if (item.get() == record)
            return position;
    }
    return 0;
}

Curl* CliContext::FindPage(const std::string& page)
{
    auto& records = m_doc.Records();
    unsigned long position = 0;
    const auto [end, ec] = std::from_chars(page.data(), page.data() + page.size(), position);
    if (!page.empty() && ec == std::errc() && end == page.data() + page.size()) {
        if (position >= 1 && position <= records.size()) {
            auto it = records.begin();
            std::advance(it, static_cast<long>(position - 1));
            return it->get();
        }
    }
    Curl* match = nullptr;
    for (const auto& record : records) {
        if (record->m_strName != page)
            continue;
        if (match) {
            Usage("more than one page is named \"" + page + "\"; name it by its position");
            return nullptr;
        }
        match = record.get();
    }
    if (!match)
        Usage("no page \"" + page + "\" (name a page by its position from 1 or its exact name)");
    return match;
}

int CliContext::FindPages(const std::vector<std::string>& pages, std::vector<Curl*>& found)
{
    found.clear();
    for (const std::string& page : pages) {
        Curl* record = FindPage(page);
        if (!record)
            return kExitUsage;
        if (std::find(found.begin(), found.end(), record) == found.end())
            found.push_back(record);
    }
    return kExitOk;
}
