#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
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
    // A file that is no bookmarks file at all (a page saved by mistake, an export in another format) is
    // most likely the wrong file: say so rather than report success with nothing imported.
    if (result.added == 0)
        return ctx.Usage("there are no web links (http or https) in " + ctx.args.front() + "; nothing was imported");
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Imported " << Counted(result.added, "page") << "\n";
    return kExitOk;
}
