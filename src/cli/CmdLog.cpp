#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/VigilPrefs.h"
#include "notify/UpdateLog.h"

#include <unistd.h>

#include <ostream>

// log [--clear]: prints the path of the update log's page, or empties the log.
int CmdLog(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {{"clear", false}}, error))
        return ctx.Usage(error);
    if (!parsed.Positional().empty())
        return ctx.Usage("unexpected argument \"" + parsed.Positional().front() + "\"");

    CUpdateLog log(ctx.Prefs().GetStorageFolder());
    if (!parsed.Has("clear")) {
        ctx.out << log.GetPagePath() << "\n";
        if (::access(log.GetPagePath().c_str(), F_OK) != 0)
            ctx.Warn("there is no update log yet: it is written when the first change is found");
        return kExitOk;
    }

    // A check run appends to the log; the lock keeps it from doing so while the log is emptied.
    if (const int status = ctx.LockStorage(); status != kExitOk)
        return status;
    const UpdateLogResult result = log.ClearLog();
    if (!result.ok)
        return ctx.Fail(result.message);
    return kExitOk;
}
