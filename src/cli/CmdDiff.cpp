#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/PageDiff.h"
#include "model/UrlRecord.h"

#include <ostream>

// diff PAGE [--text]: writes the differences report between the page's previous and current copies
// and prints the report's path; with --text prints a unified diff of the two copies instead.
int CmdDiff(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {{"text", false}}, error))
        return ctx.Usage(error);
    const auto& pages = parsed.Positional();
    if (pages.size() != 1)
        return ctx.Usage(pages.empty() ? "which page? (diff PAGE)" : "one page at a time");
    // Only the page's files are written; the list is read, never saved, so no lock is needed.
    if (const int status = ctx.OpenList(false); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(pages.front());
    if (!page)
        return kExitUsage;
    if (parsed.Has("text")) {
        if (std::string reason = TextDiffRefusal(*page); !reason.empty())
            return ctx.Fail(reason);
        if (!WritePageTextDiff(ctx.out, *page))
            ctx.err << "The last two copies of \"" << page->m_strName << "\" do not differ.\n";
        return kExitOk;
    }
    // The files are named after the page id, which a page gets at its first check. Asking for a name
    // here would use up an id that is never saved with the page.
    if (page->m_strPageID.empty())
        return ctx.Fail("\"" + page->m_strName + "\" has not been checked yet: there are no copies to compare");
    if (!page->MakeDiffReport())
        return ctx.Fail("cannot write the differences report " + page->GetDiffsPath());
    ctx.out << page->GetDiffsPath() << "\n";
    return kExitOk;
}
