#pragma once

#include "extract/HtmlDocument.h"

#include <string>
#include <unordered_set>

struct _xmlNode;

// The text a reader sees on the page, one line per block: the content of script, style, noscript,
// template, the head, comments and elements marked hidden dropped; block elements and <br> end
// lines, table cells are set apart by a space, white space collapsed, entities decoded (by the
// parser). Every line ends with '\n'. The walk is iterative, so nesting depth costs no stack.
// StreamVisibleText gives the same text for a whole page without building its tree.
std::string VisibleText(const CHtmlDocument& doc);

// The visible text of the chosen nodes only, in document order. A chosen element inside another
// chosen one adds nothing (its text is already there), so a selection costs one walk of the page
// however its matches nest. A chosen element that is never shown (a script holding the page's data)
// gives its text as it is; a chosen attribute or text node gives its value as a line of its own.
std::string VisibleTextOf(const CHtmlDocument& doc, const std::unordered_set<const _xmlNode*>& chosen);
