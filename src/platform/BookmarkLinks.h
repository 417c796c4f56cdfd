#pragma once

#include <string>
#include <string_view>
#include <vector>

// One link of an HTML text: the href attribute as written in the file (entities decoded, not resolved
// against any base address) and the text the link shows.
struct BookmarkLink
{
    std::string href;
    std::string text;
};

// Every HTML "A" element that has an href attribute, in document order, wherever it stands (bookmark
// lists, folder headings, descriptions). The text is the element's text content with its white space
// runs folded to single spaces and trimmed. The text is only parsed; nothing in it runs or is fetched.
std::vector<BookmarkLink> ExtractBookmarkLinks(std::string_view html);
