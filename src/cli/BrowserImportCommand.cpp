#include "cli/BrowserImportCommand.h"

#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ListChange.h"

#include <ostream>

namespace {

const char* BrowserName(BrowserFamily family)
{
    return family == BrowserFamily::Firefox ? "Firefox" : "Chromium-family";
}

// The profile taken when none is named: the only one, or the only default one. Several candidates are
// listed rather than one guessed, since importing the wrong person's bookmarks is hard to undo.
int ChooseProfile(CliContext& ctx, BrowserFamily family, std::string& folder, std::string& label)
{
    const std::vector<BrowserProfile> profiles = FindProfiles(family);
    if (profiles.empty())
        return ctx.Usage(std::string("no ") + BrowserName(family)
                         + " profile with bookmarks found; name the profile folder");
    const BrowserProfile* chosen = profiles.size() == 1 ? &profiles.front() : nullptr;
    if (!chosen) {
        size_t defaults = 0;
        for (const BrowserProfile& profile : profiles) {
            if (profile.isDefault && ++defaults == 1)
                chosen = &profile;
        }
        if (defaults != 1)
            chosen = nullptr;
    }
    if (!chosen) {
        std::string list;
        for (const BrowserProfile& profile : profiles)
            list += "\n  " + profile.Label() + "\t" + profile.folder;
        return ctx.Usage("several profiles found; name the folder of one of them:" + list);
    }
    folder = chosen->folder;
    label = chosen->Label();
    return kExitOk;
}

// The request: the profile folder made absolute (the running program works in another folder) and
// the folders named.
int Build(CliContext& ctx, ControlRequest& request, BrowserFamily family)
{
    request.verb = family == BrowserFamily::Firefox ? ControlVerb::ImportFirefox : ControlVerb::ImportChromium;
    std::string profile;
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& arg = ctx.args[i];
        if (arg == "--folder") {
            if (i + 1 >= ctx.args.size())
                return ctx.Usage("--folder needs a folder's path, such as \"Shops / Bikes\"");
            request.pages.push_back(ctx.args[++i]);
        } else if (arg.rfind("--folder=", 0) == 0) {
            request.pages.push_back(arg.substr(9));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return ctx.Usage("unknown option " + arg);
        } else if (profile.empty()) {
            profile = arg;
        } else {
            return ctx.Usage("name at most one profile folder to import");
        }
    }
    if (profile.empty()) {
        std::string label;
        if (const int status = ChooseProfile(ctx, family, profile, label); status != kExitOk)
            return status;
    }
    request.file = AbsolutePath(profile);
    return kExitOk;
}

int BuildFirefox(CliContext& ctx, ControlRequest& request)
{
    return Build(ctx, request, BrowserFamily::Firefox);
}

int BuildChromium(CliContext& ctx, ControlRequest& request)
{
    return Build(ctx, request, BrowserFamily::Chromium);
}

std::string SkippedTail(size_t count)
{
    return ", " + std::to_string(count) + " skipped (not web addresses)";
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    return PrintImportAnswer(ctx, answer, SkippedTail);
}

} // namespace

int RunBrowserImport(CliContext& ctx, BrowserFamily family)
{
    return RunListChange(ctx, {family == BrowserFamily::Firefox ? BuildFirefox : BuildChromium, Print});
}
