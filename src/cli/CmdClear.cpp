#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ListChange.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {}); !given)
        return ctx.Usage(given.error().message);
    request.verb = ControlVerb::Clear;
    request.pages = parsed.Positional();
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk)
        return status;
    const size_t marked = answer.count;
    if (marked == 0)
        ctx.out << (answer.pages.size() == 1 ? "The page was not marked changed\n" : "No page was marked changed\n");
    else
        ctx.out << "Cleared the change " << (marked == 1 ? "mark of " : "marks of ") << Counted(marked, "page") << "\n";
    return kExitOk;
}

} // namespace

// clear [PAGE...]: clears the change marks of the named pages, or of all pages.
int CmdClear(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
