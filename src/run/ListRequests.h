#pragma once

#include "model/ListImport.h"
#include "run/ControlRequest.h"

#include <cstddef>

class CCheckRun;
class CListSession;
class CSiteVigilDoc;
class Curl;

// The changes to the list that a command line asks for, made the same way whether the command runs on
// its own or is handed to the program that holds the storage folder: each is applied and saved, or,
// when the save fails, undone and answered as failed; a change is never kept unsaved. Called on the
// session's thread while no check run is in progress; the session holds the lock and its list is open.
// Handles Add, Edit, Remove, Clear and the imports.
ControlAnswer ApplyListRequest(CListSession& session, const ControlRequest& request);

// The end of an import whose pages have joined the list (imported says how it went; the list had
// countBefore pages before it): saved and answered, or, when the save fails, undone and answered as
// failed. Imports made in steps (a large bookmarks file) end here.
ControlAnswer FinishImportRequest(CListSession& session, const ControlRequest& request, Result<ImportResult> imported,
                                  size_t countBefore);

// The page as an answer names it.
AnsweredPage DescribePage(const CSiteVigilDoc& doc, const Curl& page);
// The pages the run checked that are still in the list, in the run's order, with what it found.
ControlAnswer DescribeRun(const CSiteVigilDoc& doc, const CCheckRun& run);
// Why the page's last download failed.
std::string FailureText(const Curl& page);
// True when the last check of the page found a change.
bool FoundChange(const Curl& page);
