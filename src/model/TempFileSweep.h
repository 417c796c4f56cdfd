#pragma once

#include <string>

// Removes the temporary files our own saves leave behind when a process is killed mid-way: the list's
// and the update log's "<name>.XXXXXX" and the saved pages' "<id>.html.part". Call it only while
// holding the storage-folder lock, since a save in progress owns such files. Returns how many went.
int RemoveStaleTemporaryFiles(const std::string& storageFolder, const std::string& pagesFolder);
