#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/UrlRecord.h"

#include <ostream>

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
    if (page->m_strPageID.empty())
        return ctx.Fail("\"" + page->m_strName + "\" has not been checked yet: there are no copies to compare");
    if (!page->MakeDiffReport())
        return ctx.Fail("cannot write the differences report " + page->GetDiffsPath());
    ctx.out << page->GetDiffsPath() << "\n";
    return kExitOk;
}
