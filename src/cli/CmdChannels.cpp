#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/VigilPrefs.h"
#include "notify/Channel.h"
#include "notify/ChannelStatus.h"
#include "notify/OutboxDelivery.h"
#include "platform/Clock.h"
#include "platform/TerminalText.h"

#include <ostream>

namespace {

int Add(CliContext& ctx, std::vector<Channel>& channels, const std::vector<std::string>& args)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(args, {{"name", true}, {"events", true}}); !given)
        return ctx.Usage(given.error().message);
    if (parsed.Positional().size() != 1)
        return ctx.Usage("channels add takes one address (see sitevigil-cli help channels)");
    Channel channel;
    channel.address = parsed.Positional().front();
    if (Result<ChannelAddress> address = ParseChannelAddress(channel.address); !address)
        return ctx.Usage(channel.address + ": " + address.error().message);
    channel.name = parsed.Value("name", DefaultChannelName(channel.address, channels));
    if (parsed.Has("events")) {
        if (Status events = ParseChannelEvents(parsed.Value("events"), channel); !events)
            return ctx.Usage(events.error().message);
    }
    if (Status added = AddChannel(channels, channel); !added)
        return ctx.Usage(added.error().message);
    if (Status saved = SaveChannels(ctx.Prefs(), channels); !saved)
        return ctx.Fail(saved.error().message);
    ctx.out << "Added the channel \"" << TerminalText(channel.name) << "\" (" << ChannelEventsText(channel) << ").\n";
    return kExitOk;
}

int List(CliContext& ctx, const std::vector<Channel>& channels)
{
    CCliTable table;
    table.AddColumn("NAME", 24);
    table.AddColumn("STATE");
    table.AddColumn("EVENTS");
    table.AddColumn("ADDRESS", 50);
    table.AddColumn("LAST DELIVERY", 60);
    const std::vector<std::string> lastDeliveries = LastDeliveryTexts(ctx.Prefs().GetStorageFolder(), channels);
    for (size_t i = 0; i < channels.size(); ++i) {
        const Channel& channel = channels[i];
        table.AddRow({channel.name, channel.enabled ? "on" : "off", ChannelEventsText(channel),
                      ShownChannelAddress(channel.address), lastDeliveries[i]});
    }
    if (table.RowCount() == 0) {
        ctx.out << "No channels (add one with sitevigil-cli channels add URL).\n";
        return kExitOk;
    }
    table.Write(ctx.out, ctx.outIsTerminal);
    return kExitOk;
}

int Remove(CliContext& ctx, std::vector<Channel>& channels, const std::string& name)
{
    const int index = FindChannel(channels, name);
    if (index < 0)
        return ctx.Usage("no channel named \"" + name + "\" (see sitevigil-cli channels list)");
    const std::string removed = channels[index].name;
    channels.erase(channels.begin() + index);
    if (Status saved = SaveChannels(ctx.Prefs(), channels); !saved)
        return ctx.Fail(saved.error().message);
    ctx.out << "Removed the channel \"" << TerminalText(removed) << "\".\n";
    return kExitOk;
}

int Test(CliContext& ctx, const std::vector<Channel>& channels, const std::string& name)
{
    const int index = FindChannel(channels, name);
    if (index < 0)
        return ctx.Usage("no channel named \"" + name + "\" (see sitevigil-cli channels list)");
    const Channel& channel = channels[index];
    const Notice notice = TestNotice(Clock::Now());
    Result<std::string> answer = DeliverToChannel(channel, notice, TestTransactionId(Clock::Now()), DeliveryLimits{});
    if (!answer)
        return ctx.Fail("the test message to \"" + channel.name + "\" failed: " + answer.error().message);
    ctx.out << "Test message delivered to \"" << TerminalText(channel.name) << "\": " << TerminalText(*answer) << "\n";
    return kExitOk;
}

} // namespace

// channels add URL [--name N] [--events E] | list | remove NAME | test NAME
int CmdChannels(CliContext& ctx)
{
    if (ctx.args.empty())
        return ctx.Usage("needs add, list, remove or test (see sitevigil-cli help channels)");
    const std::string verb = ctx.args.front();
    const std::vector<std::string> rest(ctx.args.begin() + 1, ctx.args.end());
    Result<std::vector<Channel>> loaded = LoadChannels(ctx.Prefs());
    if (!loaded && verb != "list")
        return ctx.Fail(loaded.error().message + "; fix it with sitevigil-cli config set notifyChannels '[]'");
    std::vector<Channel> channels = loaded ? *loaded : std::vector<Channel>{};
    if (!loaded)
        ctx.Warn(loaded.error().message);
    if (verb == "add")
        return Add(ctx, channels, rest);
    if (verb == "list") {
        if (!rest.empty())
            return ctx.Usage("channels list takes no arguments");
        return List(ctx, channels);
    }
    if (verb == "remove" || verb == "test") {
        if (rest.size() != 1)
            return ctx.Usage("channels " + verb + " takes one channel name");
        return verb == "remove" ? Remove(ctx, channels, rest.front()) : Test(ctx, channels, rest.front());
    }
    return ctx.Usage("no channels command \"" + verb + "\" (add, list, remove, test)");
}
