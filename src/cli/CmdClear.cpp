#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/UrlRecord.h"

#include <ostream>

// clear [PAGE...]: clears the change marks of the named pages, or of all pages.
int CmdClear(CliContext& ctx)
{
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    size_t cleared = 0;
    if (ctx.args.empty()) {
        cleared = ctx.Session().ClearAllChanges();
    } else {
        std::vector<Curl*> pages;
        if (const int status = ctx.FindPages(ctx.args, pages); status != kExitOk)
            return status;
        for (Curl* page : pages)
            CListSession::ClearChange(*page);
        cleared = pages.size();
    }
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Cleared the change marks of " << cleared << (cleared == 1 ? " page\n" : " pages\n");
    return kExitOk;
}
