#include "platform/BookmarkLinks.h"

#include "platform/HtmlScanner.h"

std::vector<BookmarkLink> ExtractBookmarkLinks(std::string_view html)
{
    using Token = CHtmlScanner::Token;
    std::vector<BookmarkLink> links;
    // Bookmark folders nest without bound; the scanner reads them flat. A link ends at its end tag or
    // at the next link, which closes it.
    bool inLink = false;
    std::string text;
    auto endLink = [&] {
        if (inLink)
            links.back().text = CHtmlScanner::FoldSpace(text);
        inLink = false;
        text.clear();
    };
    CHtmlScanner scanner(html);
    for (Token token; (token = scanner.Next()) != Token::End;) {
        const bool html = !scanner.InForeignContent() && !scanner.InTemplate();
        if (token == Token::Text) {
            if (inLink && scanner.RawTextOf() != "script" && scanner.RawTextOf() != "style")
                text += scanner.DecodedText();
        } else if (scanner.TagName() == "a" && (html || token == Token::EndTag)) {
            endLink();
            std::string href;
            if (token == Token::StartTag && scanner.Attribute("href", href)) {
                links.push_back({std::move(href), {}});
                inLink = true;
            }
        }
    }
    endLink();
    return links;
}
