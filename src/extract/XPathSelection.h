#pragma once

#include "extract/HtmlDocument.h"
#include "platform/Error.h"

#include <string>
#include <string_view>

// Evaluates an XPath 1.0 expression on a page and gives the visible text of what it selects, in
// document order. A node set gives the text of its nodes; a string, number or truth value gives that
// value as one line. Outcomes: NotFound "Selection not found" when nothing is selected; BadInput
// with the engine's reason for an expression it refuses; TimedOut when the evaluation takes more
// steps than ExtractLimits allows.
Result<std::string> SelectXPathText(const CHtmlDocument& doc, std::string_view expression);

// Whether the expression can be used, with the engine's reason when not ("Invalid expression at
// character 5 of ..."). Checks the syntax and what only evaluation finds (an unknown function).
Status ValidateXPath(std::string_view expression);

constexpr const char* kSelectionNotFound = "Selection not found";
