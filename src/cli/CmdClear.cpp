#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/UrlRecord.h"

#include <ostream>

// clear [PAGE...]: clears the change marks of the named pages, or of all pages.
int CmdClear(CliContext& ctx)
{
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    std::vector<Curl*> pages;
    if (ctx.args.empty()) {
        for (const auto& record : ctx.Doc().Records())
            pages.push_back(record.get());
    } else if (const int status = ctx.FindPages(ctx.args, pages); status != kExitOk) {
        return status;
    }
    for (Curl* page : pages) {
        page->SetChanged(false);
        page->m_strChangeReason.clear();
    }
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Cleared the change marks of " << pages.size() << (pages.size() == 1 ? " page\n" : " pages\n");
    return kExitOk;
}
