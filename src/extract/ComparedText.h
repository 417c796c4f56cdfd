#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>
#include <vector>

// What a page's text comparison is told: at most one of a CSS selector and an XPath expression, and
// the ignore rules.
struct TextOptions
{
    std::string select{}; // CSS selector, empty for the whole page
    std::string xpath{}; // XPath 1.0 expression, empty for the whole page
    std::vector<std::string> ignoreTexts{};
    std::vector<std::string> ignoreRegexes{};
};

// Refuses what could never run, with the reason the user sees when entering it.
Status ValidateTextOptions(const TextOptions& options);

// The text compared for a download: the body decoded to UTF-8 (contentType is the Content-Type header
// value, empty when unknown), its visible text or that of the selection, without the ignored lines.
// Outcomes besides the text: NotFound "Selection not found"; BadInput for a refused option or a page
// past the size bounds; TimedOut for a selection or an ignore rule past its budget.
Result<std::string> ComparedText(std::string_view body, std::string_view contentType, const TextOptions& options);
