#pragma once

#include <string>
#include <string_view>

// Appends text so that it cannot become markup in an HTML page: "<", ">" and "&" become entities, and
// with quotes also '"' and "'" (for text inside an attribute value). Every other byte is copied.
void AppendHtmlEscaped(std::string& out, std::string_view text, bool quotes);
