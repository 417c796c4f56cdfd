#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"

#include <ostream>

// import-list FILE: merges the pages of another list file in front of the list, as loading does.
int CmdImportList(CliContext& ctx)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one list file to import");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    const size_t before = ctx.Doc().Records().size();
    // A file that cannot be read whole would bring in "Error" placeholders: import all of it or nothing.
    if (const DocResult result = ctx.Doc().LoadFromFile(ctx.args.front()); !result)
        return ctx.Usage(result.error + "; nothing was imported");
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    const size_t added = ctx.Doc().Records().size() - before;
    ctx.out << "Imported " << Counted(added, "page") << "\n";
    return kExitOk;
}
