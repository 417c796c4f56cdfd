#include "cli/CliContext.h"

#include "model/VigilPrefs.h"

#include <algorithm>
#include <charconv>

CliContext::CliContext(std::string commandName, std::vector<std::string> arguments, std::ostream& outStream,
                       std::ostream& errStream)
    : command(std::move(commandName))
    , args(std::move(arguments))
    , out(outStream)
    , err(errStream)
{ }

CVigilPrefs& CliContext::Prefs()
{
    return CVigilPrefs::GetInstance();
}

int CliContext::Usage(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": " << message << "\n";
    return kExitUsage;
}

int CliContext::Fail(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": " << message << "\n";
    return kExitFailed;
}

void CliContext::Warn(const std::string& message)
{
    err << "sitevigil-cli: " << command << ": warning: " << message << "\n";
}

int CliContext::LockStorage()
{
    const DocResult result = m_session.Lock();
    return result ? kExitOk : Fail(result.error);
}

int CliContext::OpenList(bool forChange)
{
    const DocResult result = m_session.Open(forChange);
    if (result)
        return kExitOk;
    if (!m_session.IsDamaged())
        return Fail(result.error);
    if (forChange)
        return Usage(result.error + "; nothing was changed");
    Warn(result.error);
    // The readable pages are shown, but the caller ends with this status.
    return kExitUsage;
}

int CliContext::SaveList()
{
    const DocResult result = m_session.Save();
    return result ? kExitOk : Fail(result.error);
}

int CliContext::PositionOf(const Curl* record) const
{
    const size_t row = m_session.Doc().RowOf(record);
    return row == CSiteVigilDoc::kNoRow ? 0 : static_cast<int>(row) + 1;
}

Curl* CliContext::FindPage(const std::string& page)
{
    const CSiteVigilDoc& doc = m_session.Doc();
    const auto& records = doc.Records();
    unsigned long position = 0;
    const auto [end, ec] = std::from_chars(page.data(), page.data() + page.size(), position);
    if (!page.empty() && ec == std::errc() && end == page.data() + page.size()) {
        if (position >= 1 && position <= doc.Count())
            return &doc.RecordAt(position - 1);
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
