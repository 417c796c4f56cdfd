#include "cli/RunResults.h"

#include "cli/CliContext.h"
#include "model/UrlRecord.h"

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
