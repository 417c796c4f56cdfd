#pragma once

#include <iosfwd>
#include <string>

class Curl;

// Why the page has no current copy to compare (never checked, never downloaded, copies not kept);
// "" when it has one.
std::string NoCopyReason(Curl& page);
// Writes the unified diff of the page's previous and current copies; false when they do not differ.
// For a terminal, control characters in the page's lines are shown escaped.
bool WritePageTextDiff(std::ostream& out, Curl& page, bool terminal);
// The same for any two files holding versions of a page.
bool WriteTextDiff(std::ostream& out, const std::string& oldPath, const std::string& newPath, bool terminal);
