#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/UrlRecord.h"
#include "platform/UrlCracker.h"

#include <memory>
#include <ostream>

namespace {

// Sets the watch flag named on the command line; false for an unknown name.
bool SetWatch(Curl& record, const std::string& watch)
{
    if (watch == "content")
        record.m_bWatchContent = true;
    else if (watch == "date")
        record.m_bWatchDate = true;
    else if (watch == "unreachable")
        record.m_bWatchUnreachable = true;
    else if (watch == "reachable")
        record.m_bWatchReachable = true;
    else if (watch == "size")
        record.m_bWatchSize = true;
    else if (watch == "text")
        record.m_bTextSearch = true;
    else if (watch == "notext")
        record.m_bTextNotPresent = true;
    else
        return false;
    return true;
}

} // namespace

// add URL [--name N] [--watch W]... [--search T] [--start T] [--end T] [--no-save]
int CmdAdd(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(
            ctx.args,
            {{"name", true}, {"watch", true}, {"search", true}, {"start", true}, {"end", true}, {"no-save", false}},
            error))
        return ctx.Usage(error);
    if (parsed.Positional().size() != 1)
        return ctx.Usage("give exactly one address");

    auto record = CListSession::NewRecord(parsed.Positional().front());
    CrackedUrl parts;
    if (!CrackUrl(record->m_strURL, parts, &error))
        return ctx.Usage("cannot watch \"" + record->m_strURL + "\": " + error);
    record->m_strName = parsed.Value("name", record->m_strURL);

    if (parsed.Has("watch")) {
        // The watches given replace the default set.
        record->m_bWatchUnreachable = record->m_bWatchReachable = record->m_bWatchDate = false;
        record->m_bWatchContent = record->m_bWatchSize = record->m_bTextSearch = record->m_bTextNotPresent = false;
        for (const std::string& watch : parsed.Values("watch")) {
            if (!SetWatch(*record, watch))
                return ctx.Usage("unknown watch \"" + watch
                                 + "\" (content, date, unreachable, reachable, size, text or notext)");
        }
    }
    record->m_strSearchText = parsed.Value("search");
    if ((record->m_bTextSearch || record->m_bTextNotPresent) && record->m_strSearchText.empty())
        return ctx.Usage("--watch text and --watch notext need --search TEXT");
    if (parsed.Has("start")) {
        record->m_bFromStart = false;
        record->m_strStartText = parsed.Value("start");
    }
    if (parsed.Has("end")) {
        record->m_bToEnd = false;
        record->m_strEndText = parsed.Value("end");
    }
    if (parsed.Has("no-save"))
        record->m_bSavePage = false;

    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    if (ctx.Doc().IsDuplicate(*record))
        ctx.Warn(record->m_strURL + " is already in the list; added again");
    const std::string name = record->m_strName;
    ctx.Doc().AddRecord(std::move(record));
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Added page " << ctx.Doc().Count() << ": " << name << "\n";
    return kExitOk;
}
