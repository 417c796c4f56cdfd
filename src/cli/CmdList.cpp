#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliJson.h"
#include "cli/CliTable.h"
#include "cli/PageOptions.h"
#include "model/PageSchedule.h"

#include <ostream>
#include <utility>

namespace {

const char* Bool(bool value)
{
    return value ? "true" : "false";
}

std::string JsonTime(bool known, int64_t seconds)
{
    return known ? JsonString(IsoTime(seconds)) : "null";
}

std::string JsonTextOrNull(bool present, const std::string& text)
{
    return present ? JsonString(text) : "null";
}

std::string JsonTexts(const std::vector<std::string>& texts)
{
    std::string array = "[";
    for (const std::string& text : texts)
        array += (array.size() > 1 ? ", " : "") + JsonString(text);
    return array + "]";
}

void WriteJson(std::ostream& out, const Curl& record, int position)
{
    out << "{\"id\": " << JsonTextOrNull(!record.m_strPageID.empty(), record.m_strPageID)
        << ", \"position\": " << position << ", \"name\": " << JsonString(record.m_strName)
        << ", \"url\": " << JsonString(record.m_strURL) << ", \"watch\": {";
    for (const WatchName& watch : kWatchNames)
        out << (&watch == kWatchNames ? "" : ", ") << JsonString(watch.name) << ": " << Bool(record.*watch.flag);
    out << "}, \"search\": " << JsonString(record.m_strSearchText)
        << ", \"start\": " << JsonTextOrNull(!record.m_bFromStart, record.m_strStartText)
        << ", \"end\": " << JsonTextOrNull(!record.m_bToEnd, record.m_strEndText)
        << ", \"savePage\": " << Bool(record.m_bSavePage) << ", \"render\": " << Bool(record.m_bRender)
        << ", \"renderWait\": " << record.m_nRenderWait << ", \"compare\": " << JsonString(OptionName(record.m_compare))
        << ", \"select\": " << JsonString(record.m_strSelect) << ", \"xpath\": " << JsonString(record.m_strXPath)
        << ", \"ignore\": " << JsonTexts(record.m_ignore) << ", \"ignoreRegex\": " << JsonTexts(record.m_ignoreRegex)
        << ", \"trigger\": " << JsonString(OptionName(record.m_trigger))
        << ", \"announce\": " << JsonString(OptionName(record.m_announce))
        << ", \"every\": " << JsonString(EveryText(record))
        << ", \"nextCheck\": " << JsonTextOrNull(NextCheckOf(record) != 0, IsoTime(NextCheckOf(record)))
        << ", \"changed\": " << Bool(record.m_bChanged)
        << ", \"reason\": " << JsonTextOrNull(record.m_bChanged, record.m_strChangeReason)
        << ", \"ok\": " << (record.m_nChecks == 0 ? "null" : Bool(record.m_bComplete))
        << ", \"error\": " << JsonTextOrNull(record.m_nChecks != 0 && !record.m_bComplete, record.m_strError)
        << ", \"checks\": " << record.m_nChecks << ", \"downloads\": " << record.m_nDownloads
        << ", \"size\": " << (record.m_bDataReceived ? std::to_string(record.m_nSize) : "null")
        << ", \"lastChecked\": " << JsonTime(record.m_nChecks != 0, record.m_timeLastChecked) << ", \"lastModified\": "
        << JsonTime(record.m_nDownloads != 0 && record.m_bLastModifiedKnown, record.m_timeLastModified)
        << ", \"status\": " << JsonString(StatusText(record))
        << ", \"change\": " << JsonString(Trimmed(ChangeText(record)))
        << ", \"lastCheckedText\": " << JsonString(LastCheckedText(record))
        << ", \"lastModifiedText\": " << JsonString(LastModifiedText(record)) << "}";
}

std::string ShortChecked(const Curl& record)
{
    return record.m_nChecks == 0 ? "Never" : ShortTime(record.m_timeLastChecked);
}

std::string ShortModified(const Curl& record)
{
    return record.m_nDownloads == 0 || !record.m_bLastModifiedKnown ? "-" : ShortTime(record.m_timeLastModified);
}

} // namespace

// list [--json]: a table of the pages (aligned on a terminal, tab-separated when piped), or a JSON array.
int CmdList(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {{"json", false}}); !given)
        return ctx.Usage(given.error().message);
    if (!parsed.Positional().empty())
        return ctx.Usage("unexpected argument \"" + parsed.Positional().front() + "\"");

    // A damaged list still shows the pages that could be read; the status then says it was damaged.
    const int status = ctx.OpenList(false);
    if (parsed.Has("json")) {
        ctx.out << "[";
        int position = 0;
        for (const auto& record : ctx.Doc().Records()) {
            ctx.out << (++position > 1 ? ",\n " : "\n ");
            WriteJson(ctx.out, *record, position);
        }
        ctx.out << (position > 0 ? "\n]\n" : "]\n");
        return status;
    }

    CCliTable table;
    if (ctx.outIsTerminal) {
        // Long names, addresses and reasons are cut so that a row fits a wide terminal's line.
        const std::pair<const char*, size_t> columns[]
            = {{"ID", 0},      {"#", 0},       {"NAME", 30},   {"ADDRESS", 50},
               {"STATUS", 30}, {"CHANGE", 40}, {"CHECKED", 0}, {"MODIFIED", 0}};
        for (const auto& [header, width] : columns)
            table.AddColumn(header, width);
    } else {
        for (int i = 0; i < 8; ++i)
            table.AddColumn({});
    }
    int position = 0;
    for (const auto& record : ctx.Doc().Records()) {
        const std::string id = record->m_strPageID.empty() ? "-" : "@" + record->m_strPageID;
        const std::string change = Trimmed(ChangeText(*record));
        ++position;
        if (ctx.outIsTerminal)
            table.AddRow({id, std::to_string(position), record->m_strName, record->m_strURL, StatusText(*record),
                          change, ShortChecked(*record), ShortModified(*record)});
        else
            // The id comes last, so that scripts reading the older seven columns keep working.
            table.AddRow({std::to_string(position), record->m_strName, record->m_strURL, StatusText(*record), change,
                          LastCheckedText(*record), LastModifiedText(*record), id});
    }
    if (table.RowCount() > 0)
        table.Write(ctx.out, ctx.outIsTerminal);
    else if (status == kExitOk)
        // On standard error, so that scripts reading the list still see an empty one.
        ctx.err << "No pages are watched yet; add one with: sitevigil-cli add URL\n";
    return status;
}
