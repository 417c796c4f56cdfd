#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ConsoleFrontEnd.h"
#include "cli/RunResults.h"
#include "cli/StopSignals.h"
#include "fetch/RenderClient.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/OutboxWorker.h"
#include "run/CheckRun.h"
#include "run/ControlService.h"
#include "run/ListRequests.h"
#include "run/RunCore.h"
#include "run/RunMessageQueue.h"

#include <chrono>
#include <functional>
#include <poll.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

// One line for each page the run found changed and for each page that failed.
void LogRunResults(CliContext& ctx, const CCheckRun& run, CConsoleFrontEnd& frontEnd)
{
    for (const Curl* page : RunPagesInList(ctx, run)) {
        const AnsweredPage checked = DescribePage(ctx.Doc(), *page);
        if (checked.failed)
            frontEnd.Warn(FailureLine(checked));
        else if (checked.changed)
            frontEnd.Note(ChangeLine(checked));
    }
}

// The daemon's account of what it did for sitevigil-cli: one line on its output.
class CDaemonControl : public IControlFrontEnd
{
public:
    explicit CDaemonControl(CConsoleFrontEnd& frontEnd)
        : m_frontEnd(frontEnd)
    { }
    void Report(const std::string& text) override { m_frontEnd.Note(text); }

private:
    CConsoleFrontEnd& m_frontEnd;
};

// Ticks the scheduler once a second and runs the tasks posted to the front end's thread (the workers'
// reports, the end of a run, the requests of sitevigil-cli) in between, until SIGINT or SIGTERM
// arrives. onRunEnd is called after each run; the requests handed over wait for its end.
void RunLoop(CScheduler& scheduler, CCheckRun& run, CRunMessageQueue& queue, CStopSignals& signals,
             CControlService& control, const std::function<void()>& onRunEnd)
{
    bool wasRunning = false;
    SteadyClock::time_point nextTick = SteadyClock::now();
    for (;;) {
        SteadyClock::time_point now = SteadyClock::now();
        if (now >= nextTick) {
            scheduler.OnScheduleTick();
            wasRunning = wasRunning || run.IsRunning();
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
        // A run's end shows as the change of state after a dispatch; a request handed over may have
        // started one in it.
        if (run.IsRunning())
            wasRunning = true;
        else if (wasRunning) {
            wasRunning = false;
            onRunEnd();
        }
        if (!run.IsRunning()) {
            control.RunWaiting();
            wasRunning = run.IsRunning();
        }
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
    CRunMessageQueue queue;
    // The render helper starts only when a run has rendered pages, and ends with the run. It outlives
    // the run that uses it.
    CRenderClient renderer(CRenderClient::FromSettings());
    CRunCore core(ctx.Doc(), queue, frontEnd);
    CCheckRun& run = core.Run();
    run.SetRenderer(&renderer);
    CScheduler& scheduler = core.Scheduler();

    // Commands of sitevigil-cli come in through the control socket while the daemon holds the list.
    CDaemonControl controlFrontEnd(frontEnd);
    CControlService control(ctx.Session(), run, queue, controlFrontEnd, "daemon");
    // The outbox's notifications, those an earlier program left behind too, go out in the background.
    COutboxWorker outboxWorker(ctx.Prefs().GetStorageFolder());
    if (const Status started = control.Start(ctx.Prefs().GetStorageFolder()); !started)
        frontEnd.Warn("Commands cannot be handed to this daemon: " + started.error().message);

    // Said once the daemon takes commands: a script that waits for this line may hand some over.
    const size_t pages = ctx.Doc().Count();
    std::string watching = "Watching " + Counted(pages, "page");
    if (ctx.Prefs().ReadInt(Pref::autoCheck) == 0)
        watching += "; scheduled checks are off (autoCheck 0), the list is saved each minute";
    frontEnd.Note(watching);

    RunLoop(scheduler, run, queue, signals, control, [&] {
        LogRunResults(ctx, run, frontEnd);
        control.OnRunEnd();
    });

    run.StopChecking();
    const int status = ctx.SaveList();
    frontEnd.Note(status == kExitOk ? "Stopped; the list was saved" : "Stopped");
    return status;
}
