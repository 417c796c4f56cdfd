#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliJson.h"
#include "cli/CliTable.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "notify/Outbox.h"
#include "notify/OutboxDelivery.h"
#include "platform/Clock.h"
#include "platform/FolderLock.h"
#include "platform/TerminalText.h"

#include <ostream>
#include <unistd.h>

namespace {

std::string NextAttemptText(const OutboxRow& row)
{
    return row.state == kStatePending ? ShortTime(row.nextAttempt) : "-";
}

void WriteJson(std::ostream& out, const std::vector<OutboxRow>& rows)
{
    out << "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        const OutboxRow& row = rows[i];
        out << (i ? ",\n " : "") << "{\"id\": " << row.id << ", \"state\": " << JsonString(row.state)
            << ", \"channel\": " << JsonString(row.channel) << ", \"event\": " << JsonString(row.event)
            << ", \"pages\": " << JsonString(row.pages) << ", \"created\": " << JsonString(IsoTime(row.created))
            << ", \"attempts\": " << row.attempts
            << ", \"nextAttempt\": " << (row.state == kStatePending ? JsonString(IsoTime(row.nextAttempt)) : "null")
            << ", \"done\": " << (row.doneAt ? JsonString(IsoTime(row.doneAt)) : "null")
            << ", \"lastError\": " << (row.lastError.empty() ? "null" : JsonString(row.lastError))
            << ", \"answer\": " << (row.answer.empty() ? "null" : JsonString(row.answer)) << "}";
    }
    out << "]\n";
}

int List(CliContext& ctx, bool json)
{
    const std::string folder = ctx.Prefs().GetStorageFolder();
    std::vector<OutboxRow> rows;
    // Looking never creates the outbox.
    if (::access(COutbox::PathIn(folder).c_str(), F_OK) == 0) {
        COutbox outbox(folder);
        Result<std::vector<OutboxRow>> listed = outbox.Listed(Clock::Now());
        if (!listed)
            return ctx.Fail(listed.error().message);
        rows = std::move(*listed);
    }
    if (json) {
        WriteJson(ctx.out, rows);
        return kExitOk;
    }
    if (rows.empty()) {
        ctx.out << "The outbox is empty.\n";
        return kExitOk;
    }
    CCliTable table;
    table.AddColumn("ID");
    table.AddColumn("STATE");
    table.AddColumn("CHANNEL", 24);
    table.AddColumn("EVENT");
    table.AddColumn("PAGES", 40);
    table.AddColumn("ATTEMPTS");
    table.AddColumn("NEXT ATTEMPT");
    table.AddColumn("LAST ERROR", 60);
    for (const OutboxRow& row : rows) {
        table.AddRow({std::to_string(row.id), row.state, row.channel, row.event, row.pages,
                      std::to_string(row.attempts), NextAttemptText(row), row.lastError});
    }
    table.Write(ctx.out, ctx.outIsTerminal);
    return kExitOk;
}

int Retry(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.size() > 1)
        return ctx.Usage("outbox retry takes at most one notification id");
    std::optional<int64_t> id;
    if (!args.empty()) {
        char* end = nullptr;
        const long long number = std::strtoll(args.front().c_str(), &end, 10);
        if (args.front().empty() || *end != '\0' || number <= 0)
            return ctx.Usage("\"" + args.front() + "\" is not a notification id (see sitevigil-cli outbox)");
        id = number;
    }
    const std::string folder = ctx.Prefs().GetStorageFolder();
    if (::access(COutbox::PathIn(folder).c_str(), F_OK) != 0)
        return id ? ctx.Usage("the outbox has no notification " + args.front())
                  : (ctx.out << "The outbox is empty.\n", kExitOk);
    COutbox outbox(folder);
    Result<int> count = outbox.Retry(id, Clock::Now());
    if (!count)
        return ctx.Fail(count.error().message);
    if (*count == 0) {
        if (id)
            return ctx.Usage("the outbox has no notification " + args.front() + " waiting or failed");
        ctx.out << "Nothing to retry.\n";
        return kExitOk;
    }
    // A program or daemon that owns the storage folder delivers on its own; otherwise we do it now.
    CFolderLock lock;
    if (const Status locked = lock.Acquire(folder); !locked) {
        // Only a holder delivers for us; a lock that could not be taken at all is a failure of ours.
        if (locked.error().kind != ErrorKind::Busy)
            return ctx.Fail(locked.error().message);
        ctx.out << Counted(*count, "notification") << " made due now; the running program delivers "
                << (*count == 1 ? "it" : "them") << ".\n";
        return kExitOk;
    }
    const std::vector<DeliveryOutcome> outcomes
        = DeliverOutbox(folder, nullptr, ctx.Prefs().ReadInt(Pref::deliveryWait));
    int status = kExitOk;
    size_t pending = 0;
    for (const DeliveryOutcome& outcome : outcomes) {
        if (outcome.state == DeliveryOutcome::State::Delivered)
            ctx.out << outcome.id << " delivered to \"" << TerminalText(outcome.channel)
                    << "\": " << TerminalText(outcome.text) << "\n";
        else if (outcome.state == DeliveryOutcome::State::Failed) {
            ctx.Warn(std::to_string(outcome.id) + ": " + OneLine(DeliveryFailureText(outcome)));
            status = kExitFailed;
        } else
            ++pending;
    }
    if (pending)
        ctx.out << Counted(pending, "notification") << " still pending.\n";
    return status;
}

} // namespace

// outbox [--json] | outbox retry [ID]
int CmdOutbox(CliContext& ctx)
{
    if (!ctx.args.empty() && ctx.args.front() == "retry")
        return Retry(ctx, std::vector<std::string>(ctx.args.begin() + 1, ctx.args.end()));
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {{"json", false}}); !given)
        return ctx.Usage(given.error().message);
    if (!parsed.Positional().empty())
        return ctx.Usage("unexpected argument \"" + parsed.Positional().front() + "\"");
    return List(ctx, parsed.Has("json"));
}
