#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "extract/ComparedText.h"
#include "extract/IgnoreRules.h"
#include "fetch/PageRenderer.h"
#include "fetch/RenderClient.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <cstdlib>
#include <ostream>

// preview URL [--compare page|text] [--select CSS] [--xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]...
//         [--render [--render-wait S]]:
// downloads (or renders) the page once and prints exactly the text a check would compare with these options.
// Nothing is stored, so neither the list nor the storage folder is touched.
int CmdPreview(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args,
                      {{"compare", true},
                       {"select", true},
                       {"xpath", true},
                       {"ignore", true},
                       {"ignore-re", true},
                       {"render", false},
                       {"render-wait", true}},
                      error))
        return ctx.Usage(error);
    const auto& urls = parsed.Positional();
    if (urls.size() != 1)
        return ctx.Usage(urls.empty() ? "which address? (preview URL)" : "one address at a time");
    const std::string compare = parsed.Value("compare", "text");
    if (compare != "text" && compare != "page")
        return ctx.Usage("--compare takes page or text, not \"" + compare + "\"");
    const TextOptions options{parsed.Value("select"), parsed.Value("xpath"), parsed.Values("ignore"),
                              parsed.Values("ignore-re")};
    if (compare == "page" && (!options.select.empty() || !options.xpath.empty()))
        return ctx.Usage("a selection picks from the page's text: use it with --compare text");
    if (Status valid = ValidateTextOptions(options); !valid)
        return ctx.Usage(valid.error().message);

    int renderWait = 2;
    if (parsed.Has("render-wait")) {
        const std::string wait = parsed.Value("render-wait");
        char* end = nullptr;
        const long seconds = std::strtol(wait.c_str(), &end, 10);
        if (wait.empty() || *end || seconds < 0 || seconds > 60)
            return ctx.Usage("--render-wait takes whole seconds from 0 to 60, not \"" + wait + "\"");
        renderWait = static_cast<int>(seconds);
    }

    CurlSettings page;
    page.SetURL(urls.front());
    FetchOutcome fetched;
    if (parsed.Has("render")) {
        CRenderClient renderer(CRenderClient::FromSettings());
        fetched = renderer.render(MakeRenderRequest(page, renderWait));
    } else {
        CUrlEngine engine;
        fetched = engine.fetch(page);
    }
    if (!fetched.complete)
        return ctx.Fail("cannot download " + urls.front() + ": " + FetchErrorText(fetched));
    const std::string_view body(fetched.body);
    // The engine keeps no response headers, so the charset comes from the page itself.
    Result<std::string> text = compare == "page" ? [&]() -> Result<std::string> {
        auto rules = CIgnoreRules::Make(options.ignoreTexts, options.ignoreRegexes);
        if (!rules)
            return rules.error();
        return rules->Apply(body);
    }()
        : ComparedText(body, {}, options);
    if (!text)
        return ctx.Fail(text.error().message);
    ctx.out << *text;
    return kExitOk;
}
