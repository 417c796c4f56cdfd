#pragma once

#include "model/SiteVigilDoc.h"

#include <string>

class ICheckRunFrontEnd;

// The numbers a finished run reports.
struct RunTotals
{
    int records = 0; // pages in the list
    int newChanges = 0; // pages this run found changed
    int markedChanged = 0; // pages marked changed in all
};

// "Completed checking %d URLs.\n%d new changes.\n%d changes total.\n"
std::string FormatRunSummary(const RunTotals& totals);
// "%d new changes.\n%d changes total."
std::string FormatPopupText(const RunTotals& totals);

// The closing steps of a run, after its state has been reset: the summary, the update log (when any
// page is marked changed), then, when the run found new changes, the popup, the sound, the change
// e-mail and the command, each by its setting. A step that fails does not keep the next from running.
void NotifyEndOfRun(const RunTotals& totals, const CSiteVigilDoc::RecordList& records, ICheckRunFrontEnd& frontEnd);
