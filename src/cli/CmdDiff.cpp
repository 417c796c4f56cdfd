#include "check/ChangeRules.h"
#include "check/PageFiles.h"
#include "check/PageHistory.h"
#include "check/VersionReport.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/PageDiff.h"
#include "diff/WordDiff.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <charconv>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace {

// diff --words: the texts the page's checks compare, from two copies of the page (a missing copy
// counts as an empty page), with the changed words marked.
int WriteWords(CliContext& ctx, const Curl& page, const std::string& oldPath, const std::string& newPath)
{
    std::string texts[2];
    const std::string* paths[2] = {&oldPath, &newPath};
    for (int i = 0; i < 2; ++i) {
        Result<std::string> text = PageComparedText(page, ReadPageCopy(*paths[i]).value_or(std::string()));
        // A copy whose selection matched nothing has no compared text: the diff shows it empty.
        if (!text && text.error().kind != ErrorKind::NotFound)
            return ctx.Fail(text.error().message);
        if (text)
            texts[i] = std::move(*text);
    }
    const std::string& oldText = texts[0];
    const std::string& newText = texts[1];
    std::ostringstream diff;
    if (!WriteWordDiff(diff, oldText, newText, oldPath, newPath)) {
        ctx.err << "The compared texts of \"" << TerminalText(page.m_strName) << "\" do not differ.\n";
        return kExitOk;
    }
    ctx.out << (ctx.outIsTerminal ? TerminalText(diff.str(), true) : diff.str());
    return kExitOk;
}

bool VersionNumber(const std::string& text, int& number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && number > 0;
}

// diff PAGE --from N [--to M]: two versions of the page's history (the current copy unless --to).
int DiffVersions(CliContext& ctx, const CCliArgs& parsed, Curl& page)
{
    int from = 0;
    int to = 0;
    if (!VersionNumber(parsed.Value("from"), from))
        return ctx.Usage("--from takes a version number (sitevigil-cli history PAGE lists them)");
    const std::string base = GetFileBase(page);
    if (parsed.Has("to")) {
        if (!VersionNumber(parsed.Value("to"), to))
            return ctx.Usage("--to takes a version number (sitevigil-cli history PAGE lists them)");
    } else {
        Result<PageVersions> list = ListPageVersions(base);
        if (!list || list->versions.empty())
            return ctx.Fail(list ? "the page has no versions" : list.error().message);
        to = list->versions.back().version.number;
    }
    Result<std::string> oldPath = PageVersionFile(base, from, to);
    if (!oldPath)
        return ctx.Fail(oldPath.error().message);
    Result<std::string> newPath = PageVersionFile(base, to, from);
    if (!newPath)
        return ctx.Fail(newPath.error().message);
    if (parsed.Has("words"))
        return WriteWords(ctx, page, oldPath.value(), newPath.value());
    if (parsed.Has("text")) {
        if (!WriteTextDiff(ctx.out, oldPath.value(), newPath.value(), ctx.outIsTerminal))
            ctx.err << "Versions " << from << " and " << to << " of \"" << TerminalText(page.m_strName)
                    << "\" do not differ.\n";
        return kExitOk;
    }
    if (Status made = MakeVersionsReportAt(base, from, to); !made)
        return ctx.Fail(made.error().message);
    ctx.out << GetDiffsPath(page) << "\n";
    return kExitOk;
}

} // namespace

// diff PAGE [--from N [--to M]] [--text | --words]: writes the differences report between the page's previous
// and current copies, or between two versions of its history, and prints the report's path; with
// --text prints a unified diff of the two instead, with --words one of their compared texts with the
// changed words marked.
int CmdDiff(CliContext& ctx)
{
    CCliArgs parsed;
    const Status given = parsed.Parse(ctx.args, {{"text", false}, {"words", false}, {"from", true}, {"to", true}});
    if (!given)
        return ctx.Usage(given.error().message);
    const auto& pages = parsed.Positional();
    if (pages.size() != 1)
        return ctx.Usage(pages.empty() ? "which page? (diff PAGE)" : "one page at a time");
    if (parsed.Has("text") && parsed.Has("words"))
        return ctx.Usage("--text or --words, not both");
    if (parsed.Has("to") && !parsed.Has("from"))
        return ctx.Usage("--to needs --from: name the older version too");
    // Only the page's files are written; the list is read, never saved, so no lock is needed.
    if (const int status = ctx.OpenList(false); status != kExitOk)
        return status;
    Curl* page = ctx.FindPage(pages.front());
    if (!page)
        return kExitUsage;
    if (std::string reason = NoCopyReason(*page); !reason.empty() && !parsed.Has("from"))
        return ctx.Fail(reason);
    if (parsed.Has("from"))
        return DiffVersions(ctx, parsed, *page);
    if (parsed.Has("words"))
        return WriteWords(ctx, *page, GetPreviousPagePath(*page), GetSavedPagePath(*page));
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
