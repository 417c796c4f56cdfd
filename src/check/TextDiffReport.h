#pragma once

#include "platform/Error.h"

#include <string>

struct CurlSettings;

// The text differences view of a page: the texts its checks compare (its visible text, selection and
// ignore rules) from the previous and the current copy, with the changed words marked, as a page of
// our own beside the side-by-side report. fileBase is the page's GetFileBase.
std::string TextDiffsPathAt(const std::string& fileBase);
// Writes the view; can run on any thread (it needs only the settings and the files).
Status MakeTextDiffReportAt(const std::string& fileBase, const CurlSettings& settings);
