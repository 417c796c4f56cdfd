#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

// The visible text of a whole page (see VisibleText), written as the HTML parser reads the page,
// without building its tree: the same text, in about half the time and a fraction of the memory.
// utf8 is the page already converted to UTF-8; fails only for a page past the bounds of ExtractLimits.
Result<std::string> StreamVisibleText(std::string_view utf8);
