#include "check/PageFiles.h"
#include "check/PageHistory.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliJson.h"
#include "cli/CliTable.h"
#include "cli/PageDiff.h"
#include "model/UrlRecord.h"

#include <ostream>

namespace {

const char* KindName(VersionKind kind)
{
    switch (kind) {
    case VersionKind::Current:
        return "current";
    case VersionKind::Previous:
        return "previous";
    case VersionKind::History:
        break;
    }
    return "history";
}

void WriteJson(std::ostream& out, const PageVersions& list)
{
    out << "[";
    const char* separator = "\n";
    for (const PageVersion& entry : list.versions) {
        const HistoryVersion& v = entry.version;
        out << separator << "  {\"number\": " << v.number << ", \"time\": " << JsonString(IsoTime(v.time))
            << ", \"size\": " << v.size << ", \"stored\": " << v.stored << ", \"reason\": " << JsonString(v.reason)
            << ", \"kind\": " << JsonString(KindName(entry.kind)) << "}";
        separator = ",\n";
    }
    out << (list.versions.empty() ? "]\n" : "\n]\n");
}

} // namespace

// history PAGE [--json]: the versions of a page that can be compared, oldest first: the kept history,
// then the previous and the current copy.
int CmdHistory(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {{"json", false}}); !given)
        return ctx.Usage(given.error().message);
    const auto& pages = parsed.Positional();
    if (pages.size() != 1)
        return ctx.Usage(pages.empty() ? "which page? (history PAGE)" : "one page at a time");
    if (const int status = ctx.OpenList(false); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(pages.front());
    if (!page)
        return kExitUsage;
    Result<PageVersions> list = ListPageVersions(GetFileBase(*page));
    if (!list)
        return ctx.Fail(NoCopyReason(*page).empty() ? list.error().message : NoCopyReason(*page));
    if (list->missing > 0)
        ctx.Warn(std::to_string(list->missing) + " version(s) of the history are left out: their files are missing");
    if (parsed.Has("json")) {
        WriteJson(ctx.out, list.value());
        return kExitOk;
    }
    CCliTable table;
    table.AddColumn("Number");
    table.AddColumn("Saved");
    table.AddColumn("Size");
    table.AddColumn("Reason", 60);
    table.AddColumn("Kept as");
    for (const PageVersion& entry : list->versions) {
        const HistoryVersion& v = entry.version;
        table.AddRow(
            {std::to_string(v.number), ShortTime(v.time), std::to_string(v.size), v.reason, KindName(entry.kind)});
    }
    table.Write(ctx.out, ctx.outIsTerminal);
    return kExitOk;
}
