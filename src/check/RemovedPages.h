#pragma once

#include "platform/Error.h"

#include <string>

// Pages removed from the list leave their files in the storage folder's removed/ folder instead of
// savedPages/: removed/<page id>/ holds the page's files under their own names and its history
// folder, as savedPages/ held them (removed/<page id>-2/ and on when an id comes back). Purging
// empties removed/.

// The removed pages' folder of the storage folder that holds this saved-pages folder (ends with '/').
std::string RemovedFolderFor(const std::string& pagesFolder);

// Moves the files of the page with this id out of the saved-pages folder. A page that has no files
// is no error. On failure the files not yet moved stay where they were, and the error says which.
Status MovePageFilesToRemoved(const std::string& pagesFolder, const std::string& pageId);

struct PurgeCount
{
    int pages = 0;
    unsigned long long bytes = 0;
};
// Deletes everything in the removed pages' folder; the counts of what went.
Result<PurgeCount> PurgeRemovedPages(const std::string& pagesFolder);
// What the removed pages' folder holds now.
PurgeCount CountRemovedPages(const std::string& pagesFolder);
