#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/StopSignals.h"
#include "fetch/UrlEngine.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "run/CheckRun.h"
#include "run/RunMessageQueue.h"
#include "run/Scheduler.h"

#include <chrono>
#include <poll.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

// Ticks the scheduler once a second and runs the tasks posted to the front end's thread (the workers'
// reports, the end of a run) in between, until
// SIGINT or SIGTERM arrives.
void RunLoop(CScheduler& scheduler, CRunMessageQueue& queue, CStopSignals& signals)
{
    SteadyClock::time_point nextTick = SteadyClock::now();
    for (;;) {
        SteadyClock::time_point now = SteadyClock::now();
        if (now >= nextTick) {
            scheduler.OnScheduleTick();
            nextTick += std::chrono::seconds(1);
            // After a long blocking step (an e-mail, a suspend) tick again from now instead of catching up.
            if (nextTick <= now)
                nextTick = now + std::chrono::seconds(1);
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - SteadyClock::now());
        pollfd fds[2] = {{queue.WakeFd(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
        poll(fds, 2, wait.count() > 0 ? static_cast<int>(wait.count()) : 0);
        if (signals.Received())
            return;
        queue.Dispatch();
    }
}

} // namespace

// daemon: the scheduler without a window, until SIGINT or SIGTERM.
int CmdDaemon(CliContext& ctx)
{
    if (!ctx.args.empty())
        return ctx.Usage("takes no arguments");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    CStopSignals signals;
    if (!signals.IsValid())
        return ctx.Fail("cannot watch for SIGINT and SIGTERM");

    CConsoleFrontEnd::Options options;
    options.logStatus = true;
    CConsoleFrontEnd frontEnd(ctx.out, ctx.err, options);
    CUrlEngine engine;
    CRunMessageQueue queue;
    CCheckRun run(ctx.Doc(), engine, queue, frontEnd);
    CScheduler scheduler(run, ctx.Doc(), frontEnd);

    const size_t pages = ctx.Doc().Count();
    std::string started = "Watching " + std::to_string(pages) + (pages == 1 ? " page" : " pages");
    if (ctx.Prefs().ReadInt(Pref::autoCheck) == 0)
        started += "; scheduled checks are off (autoCheck 0), the list is saved each minute";
    frontEnd.SetStatusText(started);

    RunLoop(scheduler, queue, signals);

    run.StopChecking();
    const int status = ctx.SaveList();
    frontEnd.SetStatusText(status == kExitOk ? "Stopped; the list was saved" : "Stopped");
    return status;
}
