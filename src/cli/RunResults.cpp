#include "cli/RunResults.h"

#include "cli/CliContext.h"
#include "cli/PageDiff.h"
#include "platform/TerminalText.h"
#include "run/CheckRun.h"

#include "model/UrlRecord.h"
#include <ostream>
#include <vector>

namespace {

std::string Named(const CliContext& ctx, const Curl& page)
{
    return ctx.Label(&page) + " " + page.GetName() + " (" + page.GetURL() + ")";
}

} // namespace

bool FoundChange(const Curl& page)
{
    return page.GetNewChange() && page.GetChanged();
}

std::string ChangeLine(const CliContext& ctx, const Curl& page)
{
    return "Changed: " + Named(ctx, page) + ": " + page.m_strChangeReason;
}

std::string FailureLine(const CliContext& ctx, const Curl& page)
{
    return "Failed: " + Named(ctx, page) + ": " + FailureText(page);
}

std::string FailureText(const Curl& page)
{
    if (!page.GetError().empty())
        return page.GetError();
    if (page.GetHttpStatus() != 0)
        return "the download failed (HTTP status " + std::to_string(page.GetHttpStatus()) + ")";
    return "the download failed";
}

std::vector<Curl*> RunPagesInList(const CliContext& ctx, const CCheckRun& run)
{
    // The run names its pages by serial; a page removed since is no longer there.
    std::vector<Curl*> pages;
    for (const uint64_t serial : run.RunPages()) {
        if (Curl* page = ctx.Doc().FindBySerial(serial))
            pages.push_back(page);
    }
    return pages;
}

int ReportRun(CliContext& ctx, const CCheckRun& run, bool withDiffs)
{
    const std::vector<Curl*> pages = RunPagesInList(ctx, run);
    for (const Curl* page : pages) {
        if (FoundChange(*page))
            ctx.out << TerminalText(ChangeLine(ctx, *page)) << "\n";
    }
    for (Curl* page : pages) {
        if (!withDiffs || !FoundChange(*page))
            continue;
        ctx.out << "\n";
        if (std::string reason = NoCopyReason(*page); !reason.empty())
            ctx.out << ctx.Label(page) << " " << TerminalText(reason) << "\n";
        else if (!WritePageTextDiff(ctx.out, *page, ctx.outIsTerminal))
            ctx.out << ctx.Label(page) << " " << TerminalText(page->GetName())
                    << ": the text of the page is the same\n";
    }
    int status = kExitOk;
    for (const Curl* page : pages) {
        if (page->GetComplete())
            continue;
        status = ctx.Fail(page->GetName() + " (" + ctx.Label(page) + "): " + FailureText(*page));
    }
    return status;
}
