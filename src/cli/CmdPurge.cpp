#include "check/PageFiles.h"
#include "check/RemovedPages.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"

#include <ostream>

// purge: deletes the files that removed pages left in the storage folder's removed/ folder.
int CmdPurge(CliContext& ctx)
{
    CCliArgs parsed;
    if (const Status given = parsed.Parse(ctx.args, {}); !given)
        return ctx.Usage(given.error().message);
    if (!parsed.Positional().empty())
        return ctx.Usage("purge takes no pages: it empties the folder of removed pages");
    Result<PurgeCount> purged = PurgeRemovedPages(GetPagesFolder());
    if (!purged)
        return ctx.Fail(purged.error().message);
    ctx.out << "Purged " << Counted(purged->pages, "removed page") << " (" << purged->bytes << " bytes)\n";
    return kExitOk;
}
