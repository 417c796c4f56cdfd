#include "check/ChangeRules.h"
#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "extract/ComparedText.h"
#include "fetch/PageRenderer.h"
#include "fetch/RenderClient.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <cstdlib>
#include <ostream>

// preview PAGE|URL [--compare page|text] [--select CSS] [--xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]...
//         [--render [--render-wait S]]:
// downloads (or renders) the page once and prints exactly the text a check would compare with the watched
// page's options, or those given. Nothing is stored, so neither the list nor the storage folder is touched.
int CmdPreview(CliContext& ctx)
{
    CCliArgs parsed;
    const Status given = parsed.Parse(ctx.args,
                                      {{"compare", true},
                                       {"select", true},
                                       {"xpath", true},
                                       {"ignore", true},
                                       {"ignore-re", true},
                                       {"render", false},
                                       {"render-wait", true}});
    if (!given)
        return ctx.Usage(given.error().message);
    const auto& names = parsed.Positional();
    if (names.size() != 1)
        return ctx.Usage(names.empty() ? "which page or address? (preview PAGE|URL)" : "one page at a time");

    // An address is previewed as a new page would be checked; a watched page with its own options.
    CurlSettings page;
    page.UseNewPageDefaults();
    page.SetURL(names.front());
    if (names.front().find("://") == std::string::npos) {
        if (const int status = ctx.OpenList(false); status != kExitOk)
            return status;
        const Curl* watched = ctx.FindPage(names.front());
        if (!watched)
            return kExitUsage;
        page = watched->Settings();
    }
    if (parsed.Has("compare") && !ParseOption(parsed.Value("compare"), page.m_compare))
        return ctx.Usage("--compare takes page or text, not \"" + parsed.Value("compare") + "\"");
    if (parsed.Has("select") || parsed.Has("xpath")) {
        page.m_strSelect = parsed.Value("select");
        page.m_strXPath = parsed.Value("xpath");
    }
    if (parsed.Has("ignore") || parsed.Has("ignore-re")) {
        page.m_ignore = parsed.Values("ignore");
        page.m_ignoreRegex = parsed.Values("ignore-re");
    }
    if (page.m_compare == CompareMode::Page && (!page.m_strSelect.empty() || !page.m_strXPath.empty()))
        return ctx.Usage("a selection picks from the page's text: use it with --compare text");
    if (Status valid = ValidateTextOptions(PageTextOptions(page, false)); !valid)
        return ctx.Usage(valid.error().message);

    if (parsed.Has("render"))
        page.m_bRender = true;
    if (parsed.Has("render-wait")) {
        const std::string wait = parsed.Value("render-wait");
        char* end = nullptr;
        const long seconds = std::strtol(wait.c_str(), &end, 10);
        if (wait.empty() || *end || seconds < 0 || seconds > 60)
            return ctx.Usage("--render-wait takes whole seconds from 0 to 60, not \"" + wait + "\"");
        page.m_nRenderWait = static_cast<int>(seconds);
    }

    FetchOutcome fetched;
    if (page.m_bRender) {
        CRenderClient renderer(CRenderClient::FromSettings());
        fetched = renderer.render(MakeRenderRequest(page, page.m_nRenderWait));
    } else {
        CUrlEngine engine;
        fetched = engine.fetch(page);
    }
    if (!fetched.complete)
        return ctx.Fail("cannot download " + page.m_strURL + ": " + FetchErrorText(fetched));
    // The check's page text ends at the first zero byte, and so does the preview's.
    const std::string_view body(fetched.body);
    Result<std::string> text = PageComparedText(page, body.substr(0, body.find('\0')));
    if (!text)
        return ctx.Fail(text.error().message);
    ctx.out << *text;
    return kExitOk;
}
