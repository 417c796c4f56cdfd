#include "platform/HtmlTitle.h"

#include "platform/HtmlScanner.h"

namespace {

bool MayHoldTitle(std::string_view html)
{
    constexpr std::string_view kTag = "<title";
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        if (html.size() - at < kTag.size())
            return false;
        size_t i = 1;
        while (i < kTag.size() && (html[at + i] | 0x20) == kTag[i])
            ++i;
        if (i == kTag.size())
            return true;
    }
    return false;
}

} // namespace

std::string ExtractHtmlTitle(std::string_view html)
{
    // Scanning is cheap, but a page without the tag needs none of it.
    if (!MayHoldTitle(html))
        return {};
    std::string title;
    CHtmlScanner scanner(html);
    for (CHtmlScanner::Token token; (token = scanner.Next()) != CHtmlScanner::Token::End;) {
        if (token != CHtmlScanner::Token::Text || scanner.RawTextOf() != "title" || scanner.InTemplate())
            continue;
        std::string text = CHtmlScanner::FoldSpace(scanner.DecodedText());
        if (!text.empty())
            title = std::move(text);
    }
    return title;
}
