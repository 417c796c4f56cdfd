#pragma once

#include "run/ControlRequest.h"

#include <string>
#include <vector>

class CCheckRun;
class Curl;
struct CliContext;

// The one-line accounts of a checked page that the commands print and the daemon logs.

// "Changed: @1a News (https://example.org/): Checksum changed"
std::string ChangeLine(const AnsweredPage& page);
// "Failed: @1a News (https://example.org/): Timed out"
std::string FailureLine(const AnsweredPage& page);

// The pages the run checked that are still in the list, in the run's order.
std::vector<Curl*> RunPagesInList(const CliContext& ctx, const CCheckRun& run);

// After a run: one line for each page the run found changed and, withDiffs, what changed in each (from
// the copies of the pages in ctx's list); each page that failed named on the error stream. kExitFailed
// when a page failed, else kExitOk.
int ReportRun(CliContext& ctx, const ControlAnswer& run, bool withDiffs);
