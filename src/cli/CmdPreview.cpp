#include "check/PageTexts.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "extract/ComparedText.h"
#include "extract/IgnoreRules.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"

#include <ostream>

// preview URL [--compare page|text] [--select CSS] [--xpath EXPR] [--ignore TEXT]... [--ignore-re REGEX]...:
// downloads the page once and prints exactly the text a check would compare with these options.
// Nothing is stored, so neither the list nor the storage folder is touched.
int CmdPreview(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args,
                      {{"compare", true}, {"select", true}, {"xpath", true}, {"ignore", true}, {"ignore-re", true}},
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

    CurlSettings page;
    page.SetURL(urls.front());
    CUrlEngine engine;
    const FetchOutcome fetched = engine.fetch(page);
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
