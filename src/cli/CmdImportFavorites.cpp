#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/ListChange.h"
#include "model/ListImport.h"

#include <ostream>
#include <sys/stat.h>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    if (ctx.args.size() > 1)
        return ctx.Usage("name at most one Favorites folder to import");
    request.verb = ControlVerb::ImportFavorites;
    if (!ctx.args.empty()) {
        request.file = AbsolutePath(ctx.args.front());
        return kExitOk;
    }
    request.file = DefaultFavoritesFolder();
    struct stat st
    {
    };
    if (::stat(request.file.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ctx.Usage("there is no Favorites folder " + request.file + "; name the folder to import");
    return kExitOk;
}

std::string SkippedTail(size_t count)
{
    return ", skipped " + std::to_string(count)
        + (count == 1 ? " shortcut without an address" : " shortcuts without an address");
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    return PrintImportAnswer(ctx, answer, SkippedTail);
}

} // namespace

// import-favorites [DIR]: adds the web shortcuts at the top level of a Favorites folder (by default
// ~/Favorites) at the end of the list.
int CmdImportFavorites(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
