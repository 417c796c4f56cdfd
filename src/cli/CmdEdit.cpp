#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/PageOptions.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <ostream>

// edit PAGE [--name N] [--url URL] [--watch W]... [--search T] [--start T] [--end T] [--save|--no-save]
int CmdEdit(CliContext& ctx)
{
    CPageOptions options;
    std::string error;
    if (!options.Parse(ctx.args, true, error))
        return ctx.Usage(error);
    if (options.Positional().size() != 1)
        return ctx.Usage(options.Positional().empty() ? "which page? (edit PAGE --OPTION VALUE...)"
                                                      : "one page at a time");
    if (ctx.args.size() == 1)
        return ctx.Usage("nothing to change: give at least one option (see sitevigil-cli help edit)");
    if (const int status = ctx.OpenList(true); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(options.Positional().front());
    if (!page)
        return kExitUsage;

    // The options are tried on a copy first, so that a refused edit leaves the page as it was.
    Curl trial(*page);
    if (std::string reason = options.Apply(trial); !reason.empty())
        return ctx.Usage(reason);
    options.Apply(*page);
    // A check of the page that started before the edit judged the old settings: its results are dropped.
    page->MarkEdited();
    if (const int status = ctx.SaveList(); status != kExitOk)
        return status;
    ctx.out << "Changed page " << ctx.Label(page) << ": " << TerminalText(page->m_strName) << "\n";
    return kExitOk;
}
