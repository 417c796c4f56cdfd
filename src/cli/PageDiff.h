#pragma once

#include <iosfwd>
#include <string>

class Curl;

// Why the page's last two copies cannot be compared (never checked, no copy kept); "" when they can.
std::string TextDiffRefusal(Curl& page);
// Writes the unified diff of the page's previous and current copies; false when they do not differ.
bool WritePageTextDiff(std::ostream& out, Curl& page);
