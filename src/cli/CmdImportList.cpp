#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ListChange.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one list file to import");
    request.verb = ControlVerb::ImportList;
    request.file = AbsolutePath(ctx.args.front());
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    for (const std::string& skipped : answer.skipped)
        ctx.Warn("skipped " + skipped);
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk)
        return status;
    ctx.out << "Imported " << Counted(answer.count, "page");
    if (!answer.skipped.empty())
        ctx.out << ", skipped " << answer.skipped.size()
                << (answer.skipped.size() == 1 ? " page with an address that cannot be watched"
                                               : " pages with addresses that cannot be watched");
    ctx.out << "\n";
    return kExitOk;
}

} // namespace

// import-list FILE: adds the pages of another list file at the end of the list, in the file's order.
int CmdImportList(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
