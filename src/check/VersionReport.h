#pragma once

#include "platform/Error.h"

#include <string>

// The differences report between two versions of a page (numbers of ListPageVersions), written to
// the page's report file (base + "_diffs.html") as the report of its last two copies is. Runs on any
// thread: it needs no record.
Status MakeVersionsReportAt(const std::string& base, int from, int to);
