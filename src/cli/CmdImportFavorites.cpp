#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/ListImport.h"

#include <ostream>
#include <sys/stat.h>

// import-favorites [DIR]: adds the web shortcuts at the top level of a Favorites folder (by default
// ~/Favorites) at the end of the list.
int CmdImportFavorites(CliContext& ctx)
{
    if (ctx.args.size() > 1)
        return ctx.Usage("name at most one Favorites folder to import");
    std::string folder;
    if (ctx.args.empty()) {
        folder = DefaultFavoritesFolder();
        struct stat st
        {
        };
        if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ctx.Usage("there is no Favorites folder " + folder + "; name the folder to import");
    } else {
        folder = ctx.args.front();
    }
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    const ImportResult result = ImportFavorites(ctx.Doc(), folder);
    if (!result)
        return ctx.Usage(result.error + "; nothing was imported");
    for (const std::string& skipped : result.skipped)
        ctx.Warn("skipped " + skipped);
    if (result.added > 0) {
        if (const int status = ctx.SaveList(); status != kExitOk)
            return status;
    }
    ctx.out << "Imported " << result.added << (result.added == 1 ? " page" : " pages");
    if (!result.skipped.empty())
        ctx.out << ", skipped " << result.skipped.size()
                << (result.skipped.size() == 1 ? " shortcut without an address" : " shortcuts without an address");
    ctx.out << "\n";
    return kExitOk;
}
