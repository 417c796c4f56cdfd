#include "extract/ComparedText.h"

#include "extract/Charset.h"
#include "extract/CssSelector.h"
#include "extract/HtmlDocument.h"
#include "extract/IgnoreRules.h"
#include "extract/VisibleTextStream.h"
#include "extract/XPathSelection.h"

namespace {

// The XPath to evaluate: the expression given, or the selector compiled; empty for the whole page.
Result<std::string> SelectionPath(const TextOptions& options)
{
    if (!options.select.empty() && !options.xpath.empty())
        return MakeError(ErrorKind::BadInput, "Give a CSS selector or an XPath expression, not both");
    if (!options.select.empty())
        return CompileCssSelector(options.select);
    return options.xpath;
}

// A selection needs the page's tree; the whole page's text is written without one.
Result<std::string> SelectedText(std::string_view utf8, const std::string& path)
{
    auto doc = CHtmlDocument::Parse(utf8);
    if (!doc)
        return doc.error();
    return SelectXPathText(*doc, path);
}

} // namespace

Status ValidateTextOptions(const TextOptions& options)
{
    auto path = SelectionPath(options);
    if (!path)
        return path.error();
    if (!path->empty())
        if (Status valid = ValidateXPath(*path); !valid)
            return valid;
    auto rules = CIgnoreRules::Make(options.ignoreTexts, options.ignoreRegexes);
    if (!rules)
        return rules.error();
    return {};
}

Result<std::string> ComparedText(std::string_view body, std::string_view contentType, const TextOptions& options)
{
    auto path = SelectionPath(options);
    if (!path)
        return path.error();
    auto rules = CIgnoreRules::Make(options.ignoreTexts, options.ignoreRegexes);
    if (!rules)
        return rules.error();
    std::string decoded;
    auto utf8 = DecodeToUtf8(body, DetectCharset(body, contentType), decoded);
    if (!utf8)
        return utf8.error();
    auto text = path->empty() ? StreamVisibleText(*utf8) : SelectedText(*utf8, *path);
    if (!text || rules->IsEmpty())
        return text;
    return rules->Apply(*text);
}
