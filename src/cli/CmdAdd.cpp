#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/PageOptions.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <memory>
#include <ostream>

// add URL [--name N] [--watch W]... [--search T] [--start T] [--end T] [--no-save]
int CmdAdd(CliContext& ctx)
{
    CPageOptions options;
    std::string error;
    if (!options.Parse(ctx.args, false, error))
        return ctx.Usage(error);
    if (options.Positional().size() != 1)
        return ctx.Usage("give exactly one address");

    auto record = CListSession::NewRecord(options.Positional().front());
    if (std::string reason = CPageOptions::CheckAddress(record->m_strURL); !reason.empty())
        return ctx.Usage(reason);
    if (std::string reason = options.Apply(*record); !reason.empty())
        return ctx.Usage(reason);

    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    if (ctx.Doc().IsDuplicate(*record))
        ctx.Warn(record->m_strURL + " is already in the list; added again");
    Curl* added = record.get();
    if (const Status added = ctx.Doc().AddRecord(std::move(record)); !added)
        return ctx.Fail(added.error().message + "; nothing was changed");
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Added page " << ctx.Label(added) << " (position " << ctx.PositionOf(added)
            << "): " << TerminalText(added->m_strName) << "\n";
    return kExitOk;
}
