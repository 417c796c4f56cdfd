#pragma once

#include "model/ListImport.h"

#include <functional>
#include <string>

class CSiteVigilDoc;

// A bookmarks import that never freezes the window, however large the file: the file is read on a
// thread of its own while the window goes on painting and serving its timers and the control channel,
// then its pages join the list in bounded steps with the window's events looked at between them. The
// user's input waits until the import is done, so that nobody changes the list under it.
struct SteppedImportHooks
{
    // Around each step that changes the list (the view's model resets around them).
    std::function<void()> beforeStep;
    std::function<void()> afterStep;
    // How far it has come: pages dealt with of all pages read.
    std::function<void(size_t done, size_t total)> progress;
};

Result<ImportResult> ImportBookmarksStepwise(CSiteVigilDoc& doc, const std::string& path, bool skipWatched,
                                             const SteppedImportHooks& hooks);
