#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/ListChange.h"
#include "cli/RunResults.h"
#include "cli/StopSignals.h"
#include "fetch/RenderClient.h"
#include "model/VigilPrefs.h"
#include "notify/Outbox.h"
#include "platform/Clock.h"
#include "run/CheckRun.h"
#include "run/ListRequests.h"
#include "run/RunCore.h"
#include "run/RunMessageQueue.h"

#include <iostream>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The progress line is drawn only when our standard error is a terminal.
CConsoleFrontEnd::Options ProgressOptions(const std::ostream& err)
{
    CConsoleFrontEnd::Options options;
    if (&err != &std::cerr || !isatty(STDERR_FILENO))
        return options;
    options.progressLine = true;
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        options.columns = size.ws_col;
    return options;
}

// Takes the run's reports until it and its closing steps (the e-mail) have ended; false when a stop
// signal ended the wait first.
bool WaitForRun(CCheckRun& run, CRunMessageQueue& queue, CStopSignals& signals)
{
    while (run.IsRunning() || run.IsEndingRun()) {
        pollfd fds[2] = {{queue.WakeFd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
        poll(fds, 2, 1000);
        if (signals.Received())
            return false;
        queue.Dispatch();
    }
    return true;
}

// The answer of the running program that did the check: its run is over and its list saved, so the
// copies on disk are those of the run.
int PrintHandedOver(CliContext& ctx, const ControlRequest& request, const ControlAnswer& answer)
{
    if (answer.outcome != ControlOutcome::Done && answer.pages.empty())
        return PrintOutcome(ctx, answer);
    if (answer.count == 0) {
        ctx.out << "No pages to check.\n";
        return kExitOk;
    }
    ctx.out << "Checked " << Counted(answer.count, "page") << " in the running " << answer.program << ".\n";
    if (request.withDiffs && ctx.OpenList(false) != kExitOk)
        ctx.Warn("the list file cannot be read whole; the differences shown may be incomplete");
    int status = ReportRun(ctx, answer, request.withDiffs);
    if (answer.outcome != ControlOutcome::Done)
        status = PrintOutcome(ctx, answer);
    return status;
}

// What a one-shot check leaves in the outbox for the next run or the daemon.
void ReportPendingDeliveries(CliContext& ctx)
{
    const std::string folder = ctx.Prefs().GetStorageFolder();
    if (::access(COutbox::PathIn(folder).c_str(), F_OK) != 0)
        return;
    COutbox outbox(folder);
    Result<std::vector<OutboxRow>> listed = outbox.Listed(Clock::Now());
    if (!listed)
        return;
    size_t pending = 0;
    for (const OutboxRow& row : *listed)
        pending += row.state == kStatePending ? 1 : 0;
    if (pending > 0)
        ctx.Warn(Counted(pending, "notification")
                 + " still pending in the outbox, left for the next run or the "
                   "daemon (see sitevigil-cli outbox)");
}

} // namespace

// check [PAGE...] [--diff]: a run over all or the named pages, then the end-of-run steps that need no
// window, then the pages found changed.
int CmdCheck(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {{"diff", false}}); !given)
        return ctx.Usage(given.error().message);
    ControlRequest request;
    request.verb = ControlVerb::Check;
    request.pages = parsed.Positional();
    request.withDiffs = parsed.Has("diff");
    if (ControlAnswer answer; HandOverRequest(ctx, request, answer))
        return PrintHandedOver(ctx, request, answer);

    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    std::vector<Curl*> pages;
    if (const int status = ctx.FindPagesOrAll(parsed.Positional(), pages); status != kExitOk)
        return status;
    if (pages.empty()) {
        ctx.out << "No pages to check.\n";
        return kExitOk;
    }

    CStopSignals signals;
    CConsoleFrontEnd frontEnd(ctx.out, ctx.err, ProgressOptions(ctx.err));
    CRunMessageQueue queue;
    // The render helper starts only when a run has rendered pages, and ends with the run. It outlives
    // the run that uses it.
    CRenderClient renderer(CRenderClient::FromSettings());
    CRunCore core(ctx.Doc(), queue, frontEnd);
    CCheckRun& run = core.Run();
    run.SetRenderer(&renderer);

    if (!run.CheckPages(pages))
        return kExitFailed;
    if (!WaitForRun(run, queue, signals)) {
        // The stopped run's reports still waiting are dropped with it.
        run.StopChecking();
        // What the stopped run found so far is kept.
        ctx.SaveList();
        return ctx.Fail("interrupted; the pages checked so far were saved");
    }

    // A closing step that failed (the update log, a delivery) has shown its message already.
    const int status = ReportRun(ctx, DescribeRun(ctx.Doc(), run), request.withDiffs);
    ReportPendingDeliveries(ctx);
    return run.LastSaveResult().ok() && run.LastEndOfRun().Ok() ? status : kExitFailed;
}
