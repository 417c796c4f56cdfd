#pragma once

#include "platform/Error.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class CSiteVigilDoc;

// Outcome of an import: how many pages were added at the end of the list and the entries passed over.
// An import whose input could not be read gives an error instead, and nothing was added then.
struct ImportResult
{
    size_t added = 0;
    // Pages left out because the list already watches their address.
    size_t alreadyWatched = 0;
    // One line per shortcut or page left out, naming it and why.
    std::vector<std::string> skipped;
};

// Largest bookmarks file read: far beyond any real one, small enough for the parser's tree in memory.
constexpr size_t kMaxBookmarksFileBytes = 64u << 20;

// Whether a link of a bookmarks file is imported: only web links the add command would take, with the
// scheme in lower case.
bool IsImportableLink(std::string_view url);

// The web links of a bookmarks file, read without touching any list, so that a large file is read off
// the front end's thread: the pages to add in the file's order (address and name), the links left out
// and why; for a file, an error when it could not be read.
struct BookmarkPages
{
    struct Page
    {
        std::string url;
        std::string name;
    };
    std::vector<Page> pages;
    std::vector<std::string> skipped;
};
BookmarkPages ReadBookmarkPages(std::string_view htmlText);
Result<BookmarkPages> ReadBookmarkPagesFile(const std::string& path);

// Adds the pages read to a list in steps of a bounded size, so that the front end stays responsive
// between them. The list may be used between steps; pages are only appended.
class CImportSteps
{
public:
    // With skipWatched, pages whose address the list (or an earlier page of the same import) already
    // watches are counted in alreadyWatched instead.
    CImportSteps(CSiteVigilDoc& doc, BookmarkPages read, bool skipWatched);
    // Adds up to maxPages pages; true when every page has been dealt with.
    bool Step(size_t maxPages);
    bool Done() const { return m_next >= m_read.pages.size(); }
    // How far it has come, in pages.
    size_t Position() const { return m_next; }
    size_t Total() const { return m_read.pages.size(); }
    // The outcome so far (the whole of it once Done); the id setting is advanced once, here.
    ImportResult Finish();

private:
    CSiteVigilDoc& m_doc;
    BookmarkPages m_read;
    bool m_skipWatched;
    std::unordered_set<std::string> m_watched;
    size_t m_next = 0;
    ImportResult m_result;
};

// How many pages an import adds between two looks at the front end's events.
inline constexpr size_t kImportStepPages = 20000;

// Adds a page for every importable link of a bookmarks file (HTML), named by the link's text, in the
// order of the file. Nothing checks for pages already in the list.
// With skipWatched, links to pages the list already watches are counted in alreadyWatched instead.
ImportResult ImportBookmarks(CSiteVigilDoc& doc, std::string_view htmlText, bool skipWatched = false);
// The same for a bookmarks file on disk, read whole.
Result<ImportResult> ImportBookmarksFile(CSiteVigilDoc& doc, const std::string& path, bool skipWatched = false);

// The Favorites folder used when none is chosen: ~/Favorites/.
std::string DefaultFavoritesFolder();

// Adds a page for every web shortcut at the top level of the folder, named by the shortcut's title, in
// the order of the file names. Sub-folders and hidden entries are passed over, and so are shortcuts
// without a readable address (listed in skipped).
Result<ImportResult> ImportFavorites(CSiteVigilDoc& doc, const std::string& folder, bool skipWatched = false);

// Adds the pages of another list file at the end of the list, in the file's order (the positions of the
// pages already listed stay). Only a file read whole is taken. The pages get ids of this list's own
// counter when first checked (their copies, if any, belong to another storage folder), and pages whose
// address the add command would refuse are left out (listed in skipped).
Result<ImportResult> ImportListFile(CSiteVigilDoc& doc, const std::string& path);
