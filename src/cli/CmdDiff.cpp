#include "check/PageFiles.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/PageDiff.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <ostream>
#include <unistd.h>

// diff PAGE [--text]: writes the differences report between the page's previous and current copies
// and prints the report's path; with --text prints a unified diff of the two copies instead.
int CmdDiff(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {{"text", false}}, error))
        return ctx.Usage(error);
    const auto& pages = parsed.Positional();
    if (pages.size() != 1)
        return ctx.Usage(pages.empty() ? "which page? (diff PAGE)" : "one page at a time");
    // Only the page's files are written; the list is read, never saved, so no lock is needed.
    if (const int status = ctx.OpenList(false); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(pages.front());
    if (!page)
        return kExitUsage;
    if (std::string reason = NoCopyReason(*page); !reason.empty())
        return ctx.Fail(reason);
    if (parsed.Has("text")) {
        if (!WritePageTextDiff(ctx.out, *page, ctx.outIsTerminal))
            ctx.err << "The last two copies of \"" << TerminalText(page->m_strName) << "\" do not differ.\n";
        return kExitOk;
    }
    if (!MakeDiffReport(*page))
        return ctx.Fail("cannot write the differences report " + GetDiffsPath(*page));
    if (::access(GetPreviousPagePath(*page).c_str(), F_OK) != 0)
        ctx.err << "sitevigil-cli: diff: \"" << TerminalText(page->m_strName)
                << "\" has no earlier version yet; the report shows the page as it is now\n";
    ctx.out << GetDiffsPath(*page) << "\n";
    return kExitOk;
}
