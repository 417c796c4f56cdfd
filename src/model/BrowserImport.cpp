#include "model/BrowserImport.h"

#include "model/ChromiumBookmarks.h"
#include "model/FirefoxBookmarks.h"
#include "model/PrefKeys.h"
#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

bool InChosenFolders(const BookmarkTree& tree, int folder, const std::vector<int>& folders)
{
    if (folders.empty())
        return true;
    return std::any_of(folders.begin(), folders.end(), [&](int chosen) { return tree.IsWithin(folder, chosen); });
}

std::unique_ptr<Curl> PageFor(const BookmarkTree& tree, const BookmarkTree::Bookmark& bookmark)
{
    auto record = std::make_unique<Curl>();
    record->UseNewPageDefaults();
    record->m_strURL = bookmark.url;
    record->m_strName = bookmark.title;
    record->m_strDescription = tree.FolderPath(bookmark.folder);
    return record;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::vector<BrowserProfile> FindProfiles(BrowserFamily family)
{
    return family == BrowserFamily::Firefox ? FindFirefoxProfiles() : FindChromiumProfiles();
}

Result<BookmarkTree> ReadBrowserBookmarks(BrowserFamily family, const std::string& path)
{
    return family == BrowserFamily::Firefox ? ReadFirefoxBookmarks(path) : ReadChromiumBookmarks(path);
}

DuplicatePages DuplicateRuleFromSettings()
{
    return CVigilPrefs::GetInstance().ReadInt(Pref::confirmDuplicates) != 0 ? DuplicatePages::Skip
                                                                            : DuplicatePages::Add;
}

ImportResult ImportBookmarkTree(CSiteVigilDoc& doc, const BookmarkTree& tree, const std::vector<int>& folders,
                                DuplicatePages duplicates)
{
    ImportResult result;
    for (const BookmarkTree::Bookmark& bookmark : tree.bookmarks) {
        if (!InChosenFolders(tree, bookmark.folder, folders))
            continue;
        if (!IsImportableLink(bookmark.url)) {
            result.skipped.push_back("\"" + bookmark.title + "\" (" + bookmark.url + ") is no web address");
            continue;
        }
        std::unique_ptr<Curl> record = PageFor(tree, bookmark);
        // Checked against the pages added so far as well: the same address in two folders is one page.
        if (duplicates == DuplicatePages::Skip && doc.IsDuplicate(*record)) {
            ++result.alreadyWatched;
            continue;
        }
        const std::string label = "\"" + bookmark.title + "\" (" + bookmark.url + "): ";
        if (Status added = doc.AddRecord(std::move(record)); !added) {
            result.skipped.push_back(label + added.error().message);
            continue;
        }
        ++result.added;
    }
    return result;
}

Result<ImportResult> ImportBrowserProfile(CSiteVigilDoc& doc, BrowserFamily family, const std::string& path,
                                          const std::vector<std::string>& folderNames)
{
    Result<BookmarkTree> tree = ReadBrowserBookmarks(family, path);
    if (!tree)
        return tree.error();
    std::vector<int> folders;
    for (const std::string& name : folderNames) {
        const std::vector<int> named = FoldersNamed(*tree, name);
        if (named.empty())
            return MakeError(ErrorKind::NotFound, "there is no folder \"" + name + "\" in " + path);
        folders.insert(folders.end(), named.begin(), named.end());
    }
    return ImportBookmarkTree(doc, *tree, folders, DuplicateRuleFromSettings());
}

size_t CountAlreadyWatched(const CSiteVigilDoc& doc, const BookmarkTree& tree, const std::vector<int>& folders)
{
    size_t count = 0;
    for (const BookmarkTree::Bookmark& bookmark : tree.bookmarks) {
        if (InChosenFolders(tree, bookmark.folder, folders) && IsImportableLink(bookmark.url)
            && doc.IsDuplicate(*PageFor(tree, bookmark)))
            ++count;
    }
    return count;
}

std::vector<int> FoldersNamed(const BookmarkTree& tree, const std::string& path)
{
    std::vector<int> found;
    if (path.empty())
        return found;
    for (int folder = 0; folder < static_cast<int>(tree.folders.size()); ++folder) {
        if (SameIgnoringCase(tree.FolderPath(folder), path) || SameIgnoringCase(tree.FullFolderPath(folder), path))
            found.push_back(folder);
    }
    return found;
}
