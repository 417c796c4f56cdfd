#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/UrlRecord.h"

#include <ostream>

// clear [PAGE...]: clears the change marks of the named pages, or of all pages.
int CmdClear(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {}, error))
        return ctx.Usage(error);
    const std::vector<std::string>& names = parsed.Positional();
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    std::vector<Curl*> pages;
    if (const int status = ctx.FindPagesOrAll(names, pages); status != kExitOk)
        return status;
    size_t marked = 0;
    for (Curl* page : pages) {
        marked += page->GetChanged() ? 1 : 0;
        CListSession::ClearChange(*page);
    }
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    if (marked == 0)
        ctx.out << (pages.size() == 1 ? "The page was not marked changed\n" : "No page was marked changed\n");
    else
        ctx.out << "Cleared the change " << (marked == 1 ? "mark of " : "marks of ") << Counted(marked, "page") << "\n";
    return kExitOk;
}
