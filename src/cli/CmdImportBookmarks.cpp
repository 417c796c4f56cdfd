#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ListChange.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one bookmarks file (HTML) to import");
    request.verb = ControlVerb::ImportBookmarks;
    request.file = AbsolutePath(ctx.args.front());
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    // The links left out are named, so that the user can add the ones meant as web pages by hand.
    if (answer.outcome == ControlOutcome::Done)
        for (const std::string& skipped : answer.skipped)
            ctx.Warn("skipped " + skipped);
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk)
        return status;
    ctx.out << "Imported " << Counted(answer.count, "page");
    if (!answer.skipped.empty())
        ctx.out << ", skipped " << answer.skipped.size()
                << (answer.skipped.size() == 1 ? " link that is not a web address"
                                               : " links that are not web addresses");
    ctx.out << "\n";
    return kExitOk;
}

} // namespace

// import-bookmarks FILE: adds the web links of a bookmarks file (HTML) at the end of the list.
int CmdImportBookmarks(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
