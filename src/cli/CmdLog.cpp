#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/VigilPrefs.h"
#include "notify/UpdateLog.h"

#include <unistd.h>

#include <ostream>
#include <utility>

// log [--html | --clear]: the changes found so far as text, newest first; or the path of the update
// log's page; or empties the log.
int CmdLog(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {{"clear", false}, {"html", false}}); !given)
        return ctx.Usage(given.error().message);
    if (!parsed.Positional().empty())
        return ctx.Usage("unexpected argument \"" + parsed.Positional().front() + "\"");
    if (parsed.Has("clear") && parsed.Has("html"))
        return ctx.Usage("--clear and --html do not go together");

    CUpdateLog log(ctx.Prefs().GetStorageFolder());
    if (parsed.Has("html")) {
        ctx.out << log.GetPagePath() << "\n";
        if (::access(log.GetPagePath().c_str(), F_OK) != 0)
            ctx.Warn("there is no update log yet: it is written when the first change is found");
        return kExitOk;
    }
    if (!parsed.Has("clear")) {
        const Status whole = log.LoadLog();
        CCliTable table;
        const std::pair<const char*, size_t> columns[] = {{"DATE", 0}, {"NAME", 30}, {"ADDRESS", 60}, {"REASON", 0}};
        for (const auto& [header, width] : columns)
            table.AddColumn(header, width);
        for (const auto& entry : log.Entries())
            table.AddRow({entry->m_nChecks == 0 ? "Never" : ShortTime(entry->m_timeLastChecked), entry->m_strName,
                          entry->m_strURL, entry->m_bChanged ? entry->m_strChangeReason : Trimmed(ChangeText(*entry))});
        if (table.RowCount() > 0)
            table.Write(ctx.out, ctx.outIsTerminal);
        else if (whole)
            ctx.err << "No changes have been found yet.\n";
        if (!whole)
            return ctx.Usage("the update log " + log.GetRecordFilePath() + " is damaged: " + whole.error().message
                             + "; the entries before the damage were shown");
        return kExitOk;
    }

    // A check run appends to the log; the lock keeps it from doing so while the log is emptied.
    if (const int status = ctx.LockStorage(); status != kExitOk)
        return status;
    const UpdateLogResult result = log.ClearLog();
    if (!result)
        return ctx.Fail(result.error().message);
    return kExitOk;
}
