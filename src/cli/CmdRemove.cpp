#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"

#include <ostream>

// remove PAGE...: the records go; their files stay on disk.
int CmdRemove(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {}, error))
        return ctx.Usage(error);
    const std::vector<std::string>& names = parsed.Positional();
    if (names.empty())
        return ctx.Usage("name the pages to remove (position from 1 or exact name)");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    // All names are resolved before anything is removed, so positions refer to the list as it was.
    std::vector<Curl*> pages;
    if (const int status = ctx.FindPages(names, pages); status != kExitOk)
        return status;
    for (Curl* page : pages)
        ctx.Doc().RemoveRecord(page);
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Removed " << Counted(pages.size(), "page") << "\n";
    return kExitOk;
}
