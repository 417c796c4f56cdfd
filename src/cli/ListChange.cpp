#include "cli/ListChange.h"

#include "cli/CliApp.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/VigilPrefs.h"
#include "run/ControlChannel.h"
#include "run/ListRequests.h"

#include <ostream>

bool HandOverRequest(CliContext& ctx, const ControlRequest& request, ControlAnswer& answer)
{
    // A check handed over is answered when its run ends: its wait is no news.
    std::function<void()> stillWaiting;
    if (request.verb != ControlVerb::Check)
        stillWaiting = [&ctx] {
            ctx.err << "sitevigil-cli: the running program is busy (a check run, or a dialog open in the desktop "
                       "program); waiting for it\n"
                    << std::flush;
        };
    std::optional<ControlAnswer> reply = SendControlRequest(ctx.Prefs().GetStorageFolder(), request, stillWaiting);
    if (!reply)
        return false;
    answer = std::move(*reply);
    return true;
}

int PrintOutcome(CliContext& ctx, const ControlAnswer& answer)
{
    for (const std::string& warning : answer.warnings)
        ctx.Warn(warning);
    switch (answer.outcome) {
    case ControlOutcome::Done:
        return kExitOk;
    case ControlOutcome::Refused:
        return ctx.Usage(answer.error);
    case ControlOutcome::Failed:
        break;
    }
    return ctx.Fail(answer.error);
}

int PrintImportAnswer(CliContext& ctx, const ControlAnswer& answer, std::string (*skippedTail)(size_t count),
                      bool skippedOnlyWhenDone)
{
    if (!skippedOnlyWhenDone || answer.outcome == ControlOutcome::Done)
        for (const std::string& skipped : answer.skipped)
            ctx.Warn("skipped " + skipped);
    if (const int status = PrintOutcome(ctx, answer); status != kExitOk)
        return status;
    ctx.out << "Imported " << Counted(answer.count, "page");
    if (!answer.skipped.empty())
        ctx.out << skippedTail(answer.skipped.size());
    ctx.out << "\n";
    return kExitOk;
}

int RunListChange(CliContext& ctx, const ListChangeCommand& command)
{
    ControlRequest request;
    if (const int status = command.build(ctx, request); status != kExitOk)
        return status;
    ControlAnswer answer;
    if (HandOverRequest(ctx, request, answer))
        return command.print(ctx, request, answer, true);
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    return command.print(ctx, request, ApplyListRequest(ctx.Session(), request), false);
}
