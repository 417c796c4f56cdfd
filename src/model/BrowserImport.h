#pragma once

#include "model/BookmarkTree.h"
#include "model/BrowserProfiles.h"
#include "model/ListImport.h"
#include "platform/Error.h"

#include <vector>

class CSiteVigilDoc;

// The browsers whose profiles can be imported; each family shares one file format.
enum class BrowserFamily
{
    Firefox,
    Chromium, // Chromium, Google Chrome, Brave, Vivaldi, Edge
};

// The family's profiles found for the user, and the reader of its bookmarks (a profile folder or the
// bookmarks file itself).
std::vector<BrowserProfile> FindProfiles(BrowserFamily family);
Result<BookmarkTree> ReadBrowserBookmarks(BrowserFamily family, const std::string& path);

// What an import does with a bookmark whose address the list already watches.
enum class DuplicatePages
{
    Skip,
    Add,
};

// The rule of the setting "Confirm on inserting duplicate" where nobody can be asked: on, a page
// already watched is not added again; off, it is.
DuplicatePages DuplicateRuleFromSettings();

// Adds a page for every web bookmark (the links the bookmarks import takes) in the chosen folders and
// the folders below them, in the browser's order, named by the bookmark's title, with the path of its
// folder as its description ("Shops / Bikes"). No folder chosen means every folder. Other links are
// left out and named in skipped; pages already watched are counted in alreadyWatched when skipped.
ImportResult ImportBookmarkTree(CSiteVigilDoc& doc, const BookmarkTree& tree, const std::vector<int>& folders,
                                DuplicatePages duplicates);

// Reads the profile and imports the bookmarks of the named folders (every folder when none is
// named) by the rule of the duplicate setting. A profile that cannot be read, or a folder name that
// fits no folder, imports nothing and gives an error.
Result<ImportResult> ImportBrowserProfile(CSiteVigilDoc& doc, BrowserFamily family, const std::string& path,
                                          const std::vector<std::string>& folderNames);

// How many web bookmarks of the chosen folders the list already watches, for a question asked first.
size_t CountAlreadyWatched(const CSiteVigilDoc& doc, const BookmarkTree& tree, const std::vector<int>& folders);

// The folders whose path, with or without the browser's top folder, is the given one ("Shops / Bikes",
// "Bookmarks Menu / Shops"); compared without regard to case.
std::vector<int> FoldersNamed(const BookmarkTree& tree, const std::string& path);
