#include "cli/CliContext.h"

#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/TerminalText.h"

#include <algorithm>
#include <cctype>
#include <charconv>

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
    if (m_hosted)
        return kExitOk;
    const DocResult result = m_session.Lock();
    return result ? kExitOk : Fail(result.error);
}

int CliContext::OpenList(bool forChange)
{
    // A program that holds the list has it open already, damaged or not: the same rule applies to it,
    // or a refused save would leave the change in its list, to be saved later all the same.
    std::string error;
    if (m_hosted) {
        if (!m_hosted->IsDamaged())
            return kExitOk;
        error = m_hosted->LoadError();
    } else {
        const DocResult result = m_session.Open(forChange);
        if (result)
            return kExitOk;
        if (!m_session.IsDamaged())
            return Fail(result.error);
        error = result.error;
    }
    if (forChange)
        return Usage(error + "; nothing was changed");
    Warn(error);
    // The readable pages are shown, but the caller ends with this status.
    return kExitUsage;
}

int CliContext::SaveList()
{
    const DocResult result = Session().Save();
    return result ? kExitOk : Fail(result.error);
}

int CliContext::PositionOf(const Curl* record) const
{
    const size_t row = Doc().RowOf(record);
    return row == CSiteVigilDoc::kNoRow ? 0 : static_cast<int>(row) + 1;
}

std::string CliContext::Label(const Curl* record) const
{
    if (!record->m_strPageID.empty())
        return "@" + record->m_strPageID;
    return "#" + std::to_string(PositionOf(record));
}

Curl* CliContext::FindPage(const std::string& page)
{
    std::vector<Curl*> matches;
    unsigned long position = 0;
    const auto [end, ec] = std::from_chars(page.data(), page.data() + page.size(), position);
    const bool isPosition = !page.empty() && ec == std::errc() && end == page.data() + page.size();
    std::string id = page.size() > 1 && page[0] == '@' ? page.substr(1) : std::string();
    std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::tolower(c); });
    unsigned long index = 0;
    for (const auto& record : Doc().Records()) {
        ++index;
        if ((isPosition && index == position) || (!id.empty() && record->m_strPageID == id)
            || record->m_strName == page)
            matches.push_back(record.get());
    }
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty()) {
        Usage("no page \"" + page + "\" (name a page by its id from the list, its position from 1 or its exact name)");
        return nullptr;
    }
    std::string candidates;
    for (const Curl* record : matches) {
        candidates += candidates.empty() ? " " : ", ";
        candidates
            += Label(record) + " (position " + std::to_string(PositionOf(record)) + ", \"" + record->m_strName + "\")";
    }
    Usage("\"" + page + "\" could be any of" + candidates + "; name the page by its id");
    return nullptr;
}

int CliContext::FindPagesOrAll(const std::vector<std::string>& pages, std::vector<Curl*>& found)
{
    if (!pages.empty())
        return FindPages(pages, found);
    found.clear();
    for (const auto& record : Doc().Records())
        found.push_back(record.get());
    return kExitOk;
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
