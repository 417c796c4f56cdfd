#pragma once

#include <iosfwd>
#include <string>

// Writes the differences between two copies of a page as a unified diff ("---", "+++", "@@" hunks
// with three lines of context), found by the same comparison as the HTML report: case and leading
// blanks are ignored, and a line that counts as unchanged is shown as it is in the new copy. A missing
// or unreadable copy counts as a version without lines. Writes nothing and returns false when the
// two copies have no differences.
bool WriteUnifiedDiff(std::ostream& out, const std::string& oldPath, const std::string& newPath);
