#pragma once

#include <string>
#include <string_view>
#include <vector>

class CSiteVigilDoc;

// Outcome of an import: how many pages were added at the end of the list, the entries passed over,
// or why the input could not be read (nothing was added then).
struct ImportResult
{
    size_t added = 0;
    // Pages left out because the list already watches their address.
    size_t alreadyWatched = 0;
    // One line per shortcut or page left out, naming it and why.
    std::vector<std::string> skipped;
    std::string error;
    explicit operator bool() const { return error.empty(); }
};

// Largest bookmarks file read: far beyond any real one, small enough for the parser's tree in memory.
constexpr size_t kMaxBookmarksFileBytes = 64u << 20;

// Whether a link of a bookmarks file is imported: only web links the add command would take, with the
// scheme in lower case.
bool IsImportableLink(std::string_view url);

// Adds a page for every importable link of a bookmarks file (HTML), named by the link's text, in the
// order of the file. Nothing checks for pages already in the list.
// With skipWatched, links to pages the list already watches are counted in alreadyWatched instead.
ImportResult ImportBookmarks(CSiteVigilDoc& doc, std::string_view htmlText, bool skipWatched = false);
// The same for a bookmarks file on disk, read whole.
ImportResult ImportBookmarksFile(CSiteVigilDoc& doc, const std::string& path, bool skipWatched = false);

// The Favorites folder used when none is chosen: ~/Favorites/.
std::string DefaultFavoritesFolder();

// Adds a page for every web shortcut at the top level of the folder, named by the shortcut's title, in
// the order of the file names. Sub-folders and hidden entries are passed over, and so are shortcuts
// without a readable address (listed in skipped).
ImportResult ImportFavorites(CSiteVigilDoc& doc, const std::string& folder, bool skipWatched = false);

// Adds the pages of another list file at the end of the list, in the file's order (the positions of the
// pages already listed stay). Only a file read whole is taken. The pages get ids of this list's own
// counter when first checked (their copies, if any, belong to another storage folder), and pages whose
// address the add command would refuse are left out (listed in skipped).
ImportResult ImportListFile(CSiteVigilDoc& doc, const std::string& path);
