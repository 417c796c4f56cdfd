#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/ListChange.h"
#include "cli/PageOptions.h"
#include "model/ListSession.h"
#include "platform/TerminalText.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    CPageOptions options;
    if (const Status given = options.Parse(ctx.args, false); !given)
        return ctx.Usage(given.error().message);
    if (options.Positional().size() != 1)
        return ctx.Usage("give exactly one address");
    request.verb = ControlVerb::Add;
    request.changes = options.Changes();
    request.changes.url = options.Positional().front();
    // Refused here already, before any program is asked.
    auto trial = CListSession::NewRecord(*request.changes.url);
    if (const Status applied = request.changes.ApplyTo(*trial); !applied)
        return ctx.Usage(applied.error().message);
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk || answer.pages.empty())
        return status;
    const AnsweredPage& added = answer.pages.front();
    ctx.out << "Added page " << added.label << " (position " << added.position << "): " << TerminalText(added.name)
            << "\n";
    return kExitOk;
}

} // namespace

// add URL [--name N] [--watch W]... [--search T] [--start T] [--end T] [--no-save]
int CmdAdd(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
