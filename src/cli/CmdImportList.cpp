#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "model/ListImport.h"

#include <ostream>

// import-list FILE: adds the pages of another list file at the end of the list, in the file's order.
int CmdImportList(CliContext& ctx)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one list file to import");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    const ImportResult result = ImportListFile(ctx.Doc(), ctx.args.front());
    if (!result)
        return ctx.Usage(result.error + "; nothing was imported");
    for (const std::string& skipped : result.skipped)
        ctx.Warn("skipped " + skipped);
    if (result.added > 0) {
        if (const int status = ctx.SaveList(); status != kExitOk)
            return status;
    }
    ctx.out << "Imported " << Counted(result.added, "page");
    if (!result.skipped.empty())
        ctx.out << ", skipped " << result.skipped.size()
                << (result.skipped.size() == 1 ? " page with an address that cannot be watched"
                                               : " pages with addresses that cannot be watched");
    ctx.out << "\n";
    return kExitOk;
}
