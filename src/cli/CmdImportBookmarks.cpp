#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "model/ListImport.h"

#include <ostream>

// import-bookmarks FILE: adds the web links of a bookmarks file (HTML) at the end of the list.
int CmdImportBookmarks(CliContext& ctx)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one bookmarks file (HTML) to import");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    const ImportResult result = ImportBookmarksFile(ctx.Doc(), ctx.args.front());
    if (!result)
        return ctx.Usage(result.error + "; nothing was imported");
    if (result.added > 0) {
        if (const int status = ctx.SaveList(); status != kExitOk)
            return status;
    }
    ctx.out << "Imported " << result.added << (result.added == 1 ? " page\n" : " pages\n");
    return kExitOk;
}
