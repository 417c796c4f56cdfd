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

std::string SkippedTail(size_t count)
{
    return ", skipped " + std::to_string(count)
        + (count == 1 ? " page with an address that cannot be watched"
                      : " pages with addresses that cannot be watched");
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    return PrintImportAnswer(ctx, answer, SkippedTail);
}

} // namespace

// import-list FILE: adds the pages of another list file at the end of the list, in the file's order.
int CmdImportList(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
