#include "check/PageFiles.h"
#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/PageOptions.h"
#include "model/PageSchedule.h"
#include "model/UrlRecord.h"

#include <ostream>
#include <unistd.h>

namespace {

std::string Watches(const Curl& record)
{
    std::string text;
    for (const WatchName& watch : kWatchNames) {
        if (record.*watch.flag)
            text += (text.empty() ? "" : ", ") + std::string(watch.name);
    }
    return text.empty() ? "nothing" : text;
}

// One rule after the other, each quoted so that its spaces show.
std::string Listed(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "\"" : ", \"") + item + "\"";
    return text.empty() ? "none" : text;
}

std::string FileText(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0 ? path : path + " (not there)";
}

} // namespace

// show PAGE: everything about one page, one labelled line each.
int CmdShow(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {}); !given)
        return ctx.Usage(given.error().message);
    const std::vector<std::string>& names = parsed.Positional();
    if (names.size() != 1)
        return ctx.Usage(names.empty() ? "which page? (show PAGE)" : "one page at a time");
    const int status = ctx.OpenList(false);
    if (status != kExitOk && ctx.Doc().Records().empty())
        return status;
    Curl* page = ctx.FindPage(names.front());
    if (!page)
        return kExitUsage;

    CCliTable table;
    table.AddColumn({});
    table.AddColumn({});
    const auto row = [&table](const char* label, const std::string& value) { table.AddRow({label, value}); };
    row("Id:", page->m_strPageID.empty() ? "none yet" : "@" + page->m_strPageID);
    row("Position:", std::to_string(ctx.PositionOf(page)));
    row("Name:", page->m_strName);
    row("Address:", page->m_strURL);
    // Imported bookmarks keep their browser folder here; most pages have none.
    if (!page->m_strDescription.empty())
        row("Description:", page->m_strDescription);
    row("Watches:", Watches(*page));
    row("Search text:", page->m_strSearchText);
    row("Start text:", page->m_bFromStart ? "none (from the start of the page)" : page->m_strStartText);
    row("End text:", page->m_bToEnd ? "none (to the end of the page)" : page->m_strEndText);
    row("Compare:", page->m_compare == CompareMode::Text ? "text (the visible text)" : "page (the download as it is)");
    if (!page->m_strSelect.empty())
        row("Select:", page->m_strSelect);
    if (!page->m_strXPath.empty())
        row("XPath:", page->m_strXPath);
    row("Ignore:", Listed(page->m_ignore));
    row("Ignore regex:", Listed(page->m_ignoreRegex));
    row("Trigger:", std::string(OptionName(page->m_trigger)));
    row("Announce:", std::string(OptionName(page->m_announce)));
    row("Save page:", page->m_bSavePage ? "yes" : "no");
    row("Render:", page->m_bRender ? "yes, settling " + std::to_string(page->m_nRenderWait) + " s" : "no");
    row("Check every:", page->m_every.IsGlobal() ? "global schedule" : EveryText(*page));
    row("Next check:", NextCheckOf(*page) != 0 ? IsoTime(NextCheckOf(*page)) : "with the global schedule");
    row("Status:", StatusText(*page));
    row("Change:", Trimmed(ChangeText(*page)));
    row("Last checked:", LastCheckedText(*page));
    row("Last modified:", LastModifiedText(*page));
    row("Size:", SizeText(*page));
    row("Checks:", std::to_string(page->m_nChecks) + ", downloads " + std::to_string(page->m_nDownloads));
    // The files are named after the id; a page without one has none yet (and asking would use one up).
    if (!page->m_strPageID.empty()) {
        row("Current copy:", FileText(GetSavedPagePath(*page)));
        row("Previous copy:", FileText(GetPreviousPagePath(*page)));
        row("Differences:", FileText(GetDiffsPath(*page)));
        row("Debug log:", FileText(GetDebugLogPath(*page)));
    }
    table.Write(ctx.out, ctx.outIsTerminal);
    return status;
}
