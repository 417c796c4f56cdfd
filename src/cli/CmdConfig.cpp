#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/PrefKeys.h"
#include "model/VigilPrefs.h"
#include "platform/TerminalText.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <ostream>

namespace {

// The value a reader would get: the stored one, else the readers' default; a number outside its
// allowed values as the nearest allowed one. Reading here never stores anything.
std::string ReaderText(CVigilPrefs& prefs, const PrefInfo& info)
{
    if (info.type == PrefType::Int) {
        int stored = 0;
        const int value = prefs.PeekInt(info.name, stored) ? stored : info.intPref->def;
        return std::to_string(ReaderValue(*info.intPref, value));
    }
    std::string text;
    if (prefs.PeekString(info.name, text))
        return text;
    if (info.textPref == &Pref::InstallDir)
        return CVigilPrefs::DefaultStorageFolder();
    return info.textPref->def;
}

bool ParseInt(const std::string& text, int& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [last, ec] = std::from_chars(begin, end, value);
    return begin != end && ec == std::errc() && last == end;
}

// The settings that only the desktop program reads: windows, tray, confirmations, popups, sounds and
// the list's column widths. The command line shows them but does nothing with them.
bool DesktopOnly(const PrefInfo& info)
{
    static const IntPref* const ints[] = {
        &Pref::startMinimized,
        &Pref::startWithWindows,
        &Pref::hideToTrayOnExit,
        &Pref::actionOnDoubleClick,
        &Pref::confirmDeletes,
        &Pref::confirmScheduleStarts,
        &Pref::showSummary,
        &Pref::confirmClearChanges,
        &Pref::confirmDuplicates,
        &Pref::warnNoData,
        &Pref::warnMultipleBrowserWindows,
        &Pref::popupNotify,
        &Pref::autoClosePopupNotify,
        &Pref::popupDuration,
        &Pref::soundPreference,
        &Pref::col1,
        &Pref::col2,
        &Pref::col3,
        &Pref::col4,
        &Pref::col5,
        &Pref::col6,
    };
    if (info.type == PrefType::Text)
        return info.textPref == &Pref::soundFilename;
    return std::find(std::begin(ints), std::end(ints), info.intPref) != std::end(ints);
}

const PrefInfo* Lookup(CliContext& ctx, const std::string& name)
{
    const PrefInfo* info = FindPref(name.c_str());
    if (!info)
        ctx.Usage("unknown setting \"" + name + "\" (see sitevigil-cli config list)");
    return info;
}

} // namespace

// config list | config get NAME | config set NAME VALUE
int CmdConfig(CliContext& ctx)
{
    const auto& args = ctx.args;
    if (args.empty())
        return ctx.Usage("say list, get NAME or set NAME VALUE");
    CVigilPrefs& prefs = ctx.Prefs();
    const std::string& action = args[0];

    if (action == "list" && args.size() == 1) {
        // Piped, the lines stay "name=value" for scripts; on a terminal a third column marks the settings
        // that only the desktop program uses.
        CCliTable table;
        table.AddColumn("SETTING");
        table.AddColumn("VALUE");
        table.AddColumn("USED BY");
        for (const PrefInfo& info : AllPrefs()) {
            const std::string text = ReaderText(prefs, info);
            if (ctx.outIsTerminal)
                table.AddRow({info.name, text, DesktopOnly(info) ? "desktop program only" : ""});
            else
                ctx.out << info.name << '=' << TerminalText(text) << '\n';
        }
        if (ctx.outIsTerminal)
            table.Write(ctx.out, true);
        const Status open = prefs.StoreStatus();
        return open ? kExitOk : ctx.Fail("cannot open the settings: " + open.error().message);
    }
    if (action == "get" && args.size() == 2) {
        const PrefInfo* info = Lookup(ctx, args[1]);
        if (!info)
            return kExitUsage;
        ctx.out << TerminalText(ReaderText(prefs, *info)) << '\n';
        return kExitOk;
    }
    if (action == "set" && args.size() == 3) {
        const PrefInfo* info = Lookup(ctx, args[1]);
        if (!info)
            return kExitUsage;
        Status written;
        if (info->type == PrefType::Int) {
            int value = 0;
            if (!ParseInt(args[2], value))
                return ctx.Usage(std::string(info->name) + " takes a whole number, not \"" + args[2] + "\"");
            const IntPref& key = *info->intPref;
            if (value != ClampPref(key, value))
                return ctx.Usage(std::string(info->name) + " takes " + AllowedPrefValues(key) + ", not " + args[2]);
            written = prefs.WriteInt(info->name, value);
        } else {
            written = prefs.WriteString(info->name, args[2]);
        }
        if (!written)
            return ctx.Fail(std::string("cannot store ") + info->name + ": " + written.error().message);
        return kExitOk;
    }
    return ctx.Usage("say list, get NAME or set NAME VALUE");
}
