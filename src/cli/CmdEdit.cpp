#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/ListChange.h"
#include "cli/PageOptions.h"
#include "platform/TerminalText.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    CPageOptions options;
    if (const Status given = options.Parse(ctx.args, true); !given)
        return ctx.Usage(given.error().message);
    if (options.Positional().size() != 1)
        return ctx.Usage(options.Positional().empty() ? "which page? (edit PAGE --OPTION VALUE...)"
                                                      : "one page at a time");
    request.verb = ControlVerb::Edit;
    request.pages = options.Positional();
    request.changes = options.Changes();
    if (request.changes.Empty())
        return ctx.Usage("nothing to change: give at least one option (see sitevigil-cli help edit)");
    return kExitOk;
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk || answer.pages.empty())
        return status;
    ctx.out << "Changed page " << answer.pages.front().label << ": " << TerminalText(answer.pages.front().name) << "\n";
    return kExitOk;
}

} // namespace

// edit PAGE [--name N] [--url URL] [--watch W]... [--search T] [--start T] [--end T] [--save|--no-save]
int CmdEdit(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
