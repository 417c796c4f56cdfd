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
    if (parsed.Positional().empty())
        return ctx.Usage("name the pages to remove (position from 1 or exact name)");
    request.verb = ControlVerb::Remove;
    request.pages = parsed.Positional();
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk)
        return status;
    ctx.out << "Removed " << Counted(answer.pages.size(), "page") << "\n";
    return kExitOk;
}

} // namespace

// remove PAGE...: the records go; their files stay on disk.
int CmdRemove(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
