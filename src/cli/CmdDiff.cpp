#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <ostream>
#include <unistd.h>

namespace {

bool Exists(const std::string& path)
{
    return ::access(path.c_str(), F_OK) == 0;
}

// Why a page has no current copy, from what its record says.
std::string WhyNoCopy(const Curl& page)
{
    if (page.m_nChecks == 0)
        return "it has not been checked yet";
    if (page.m_nDownloads == 0)
        return "it has never been downloaded";
    if (!page.m_bSavePage)
        return "its copies are not kept (saving is off for this page)";
    return "its saved copy is missing";
}

} // namespace

// diff PAGE: writes the differences report between the page's previous and current copies and prints
// the report's path.
int CmdDiff(CliContext& ctx)
{
    if (ctx.args.size() != 1)
        return ctx.Usage(ctx.args.empty() ? "which page? (diff PAGE)" : "one page at a time");
    // Only the page's files are written; the list is read, never saved, so no lock is needed.
    if (const int status = ctx.OpenList(false); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(ctx.args.front());
    if (!page)
        return kExitUsage;
    // The files are named after the page id, which a page gets at its first check. Asking for a name
    // here would use up an id that is never saved with the page.
    if (page->m_strPageID.empty() || !Exists(page->GetSavedPagePath()))
        return ctx.Fail("\"" + page->m_strName + "\" has no copy to compare: " + WhyNoCopy(*page));
    if (!page->MakeDiffReport())
        return ctx.Fail("cannot write the differences report " + page->GetDiffsPath());
    if (!Exists(page->GetPreviousPagePath()))
        ctx.err << "sitevigil-cli: diff: \"" << TerminalText(page->m_strName)
                << "\" has no earlier version yet; the report shows the page as it is now\n";
    ctx.out << page->GetDiffsPath() << "\n";
    return kExitOk;
}
