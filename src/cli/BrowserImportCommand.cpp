#include "cli/BrowserImportCommand.h"

#include "cli/CliContext.h"
#include "cli/CliTable.h"

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

} // namespace

int RunBrowserImport(CliContext& ctx, BrowserFamily family)
{
    std::string profile;
    std::vector<std::string> folderNames;
    for (size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& arg = ctx.args[i];
        if (arg == "--folder") {
            if (i + 1 >= ctx.args.size())
                return ctx.Usage("--folder needs a folder's path, such as \"Shops / Bikes\"");
            folderNames.push_back(ctx.args[++i]);
        } else if (arg.rfind("--folder=", 0) == 0) {
            folderNames.push_back(arg.substr(9));
        } else if (arg.size() > 1 && arg[0] == '-') {
            return ctx.Usage("unknown option " + arg);
        } else if (profile.empty()) {
            profile = arg;
        } else {
            return ctx.Usage("name at most one profile folder to import");
        }
    }
    std::string label = profile;
    if (profile.empty()) {
        if (const int status = ChooseProfile(ctx, family, profile, label); status != kExitOk)
            return status;
    }

    Result<BookmarkTree> tree = ReadBrowserBookmarks(family, profile);
    if (!tree)
        return ctx.Usage(tree.error().message + "; nothing was imported");
    std::vector<int> folders;
    for (const std::string& name : folderNames) {
        const std::vector<int> named = FoldersNamed(*tree, name);
        if (named.empty())
            return ctx.Usage("there is no folder \"" + name + "\" in " + label + "; nothing was imported");
        folders.insert(folders.end(), named.begin(), named.end());
    }

    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    const ImportResult result = ImportBookmarkTree(ctx.Doc(), *tree, folders, DuplicateRuleFromSettings());
    for (const std::string& skipped : result.skipped)
        ctx.Warn("skipped " + skipped);
    if (result.added == 0 && result.alreadyWatched == 0)
        return ctx.Usage("there are no web bookmarks (http or https) in " + label + "; nothing was imported");
    if (result.added > 0) {
        if (const int status = ctx.SaveList(); status != kExitOk)
            return status;
    }
    ctx.out << "Imported " << Counted(result.added, "page");
    if (result.alreadyWatched > 0)
        ctx.out << ", " << result.alreadyWatched << " already watched";
    if (!result.skipped.empty())
        ctx.out << ", " << result.skipped.size() << " skipped (not web addresses)";
    ctx.out << "\n";
    return kExitOk;
}
