#pragma once

#include <string>
#include <string_view>

// The page's title: the text of the last HTML title element that yields one, its white space runs
// folded to single spaces and trimmed. Empty when there is none. The page is only parsed; nothing in
// it runs or is fetched.
std::string ExtractHtmlTitle(std::string_view html);
