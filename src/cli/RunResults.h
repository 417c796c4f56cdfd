#pragma once

#include <string>
#include <vector>

class CCheckRun;
class Curl;
struct CliContext;

// The one-line accounts of a checked page that the commands print and the daemon logs.

// True when the last check of the page found a change.
bool FoundChange(const Curl& page);
// "Changed: @1a News (https://example.org/): Checksum changed"
std::string ChangeLine(const CliContext& ctx, const Curl& page);
// "Failed: @1a News (https://example.org/): Timed out"
std::string FailureLine(const CliContext& ctx, const Curl& page);
// Why the page's last download failed.
std::string FailureText(const Curl& page);

// The pages the run checked that are still in the list, in the run's order.
std::vector<Curl*> RunPagesInList(const CliContext& ctx, const CCheckRun& run);

// After a run: one line for each page the run found changed and, withDiffs, what changed in each;
// each page that failed named on the error stream. kExitFailed when a page failed, else kExitOk.
int ReportRun(CliContext& ctx, const CCheckRun& run, bool withDiffs);
