#include "cli/RunResults.h"

#include "cli/CliContext.h"
#include "cli/PageDiff.h"
#include "model/PageLookup.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"
#include "run/CheckRun.h"

#include <ostream>
#include <vector>

namespace {

std::string Named(const AnsweredPage& page)
{
    return page.label + " " + page.name + " (" + page.url + ")";
}

} // namespace

std::string ChangeLine(const AnsweredPage& page)
{
    return "Changed: " + Named(page) + ": " + page.changeReason;
}

std::string FailureLine(const AnsweredPage& page)
{
    return "Failed: " + Named(page) + ": " + page.failure;
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

int ReportRun(CliContext& ctx, const ControlAnswer& run, bool withDiffs)
{
    for (const AnsweredPage& page : run.pages) {
        if (page.changed)
            ctx.out << TerminalText(ChangeLine(page)) << "\n";
    }
    for (const AnsweredPage& page : run.pages) {
        if (!withDiffs || !page.changed)
            continue;
        ctx.out << "\n";
        Result<Curl*> record = FindPage(ctx.Doc(), page.label);
        if (!record)
            ctx.out << page.label << " " << TerminalText(page.name) << ": the page is no longer in the list\n";
        else if (std::string reason = NoCopyReason(*record.value()); !reason.empty())
            ctx.out << page.label << " " << TerminalText(reason) << "\n";
        else if (!WritePageTextDiff(ctx.out, *record.value(), ctx.outIsTerminal))
            ctx.out << page.label << " " << TerminalText(page.name) << ": the text of the page is the same\n";
    }
    int status = kExitOk;
    for (const AnsweredPage& page : run.pages) {
        if (page.failed)
            status = ctx.Fail(page.name + " (" + page.label + "): " + page.failure);
    }
    return status;
}
