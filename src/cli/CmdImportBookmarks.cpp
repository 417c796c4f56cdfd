#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliTable.h"
#include "cli/ListChange.h"

#include <ostream>

namespace {

int Build(CliContext& ctx, ControlRequest& request)
{
    if (ctx.args.size() != 1)
        return ctx.Usage("name one bookmarks file (HTML) to import");
    request.verb = ControlVerb::ImportBookmarks;
    request.file = AbsolutePath(ctx.args.front());
    return kExitOk;
}

std::string SkippedTail(size_t count)
{
    return ", skipped " + std::to_string(count)
        + (count == 1 ? " link that is not a web address" : " links that are not web addresses");
}

int Print(CliContext& ctx, const ControlRequest&, const ControlAnswer& answer, bool)
{
    // The links left out are named, so that the user can add the ones meant as web pages by hand; a
    // file refused for having no web link at all is the wrong file, and its links are no news.
    return PrintImportAnswer(ctx, answer, SkippedTail, true);
}

} // namespace

// import-bookmarks FILE: adds the web links of a bookmarks file (HTML) at the end of the list.
int CmdImportBookmarks(CliContext& ctx)
{
    return RunListChange(ctx, {Build, Print});
}
