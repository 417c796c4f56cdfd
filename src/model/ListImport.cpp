#include "model/ListImport.h"

#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"
#include "platform/BookmarkLinks.h"
#include "platform/FileUtil.h"
#include "platform/InternetShortcut.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

// A new page with the record defaults but for its address and name, appended to the list.
Status AddPage(CSiteVigilDoc& doc, std::string url, std::string name)
{
    auto record = std::make_unique<Curl>();
    record->UseNewPageDefaults();
    record->m_strURL = std::move(url);
    record->m_strName = std::move(name);
    return doc.AddRecord(std::move(record));
}

// An address as the duplicate check compares it: letters in lower case.
std::string WatchKey(std::string url)
{
    for (char& c : url) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return url;
}

// Whether the page is left out because the list already watches its address.
bool SkippedAsWatched(const CSiteVigilDoc& doc, const std::string& url, bool skipWatched)
{
    if (!skipWatched)
        return false;
    Curl probe;
    probe.m_strURL = url;
    return doc.IsDuplicate(probe);
}

// The names of the folder's visible entries, in byte order of their names: the file system's own
// order means nothing and differs from one run to the next.
Result<std::vector<std::string>> ListFolder(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        const int error = errno;
        return MakeError(error == ENOENT ? ErrorKind::NotFound : ErrorKind::Io,
                         "cannot open the folder " + folder + ": " + std::strerror(error));
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        // Hidden entries, and with them "." and "..", are left out.
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0)
        return MakeError(ErrorKind::Io, "cannot read the folder " + folder + ": " + std::strerror(error));
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

bool IsImportableLink(std::string_view url)
{
    // Secure links are taken as well as plain ones: the engine fetches both, and most bookmarks are
    // secure today. Other schemes (javascript:, place:, ftp:, capitals) are no pages to watch.
    return (url.substr(0, 7) == "http://" || url.substr(0, 8) == "https://") && Curl::IsWatchableURL(std::string(url));
}

BookmarkPages ReadBookmarkPages(std::string_view htmlText)
{
    BookmarkPages read;
    for (BookmarkLink& link : ExtractBookmarkLinks(htmlText)) {
        if (!IsImportableLink(link.href)) {
            read.skipped.push_back("\"" + link.text + "\" (" + link.href + "): not a web address");
            continue;
        }
        read.pages.push_back({std::move(link.href), std::move(link.text)});
    }
    return read;
}

Result<BookmarkPages> ReadBookmarkPagesFile(const std::string& path)
{
    const Result<std::string> text = ReadWholeFile(path, kMaxBookmarksFileBytes);
    if (!text)
        return text.error();
    return ReadBookmarkPages(*text);
}

CImportSteps::CImportSteps(CSiteVigilDoc& doc, BookmarkPages read, bool skipWatched)
    : m_doc(doc)
    , m_read(std::move(read))
    , m_skipWatched(skipWatched)
{
    m_result.skipped = std::move(m_read.skipped);
    // One set instead of a walk over the list for every page: a large import stays linear.
    if (m_skipWatched) {
        for (const auto& record : m_doc.Records())
            m_watched.insert(WatchKey(record->m_strURL));
    }
}

bool CImportSteps::Step(size_t maxPages)
{
    const size_t end = std::min(m_read.pages.size(), m_next + std::max<size_t>(maxPages, 1));
    for (; m_next < end; ++m_next) {
        BookmarkPages::Page& page = m_read.pages[m_next];
        if (m_skipWatched && !m_watched.insert(WatchKey(page.url)).second) {
            ++m_result.alreadyWatched;
            continue;
        }
        auto record = std::make_unique<Curl>();
        record->m_strURL = std::move(page.url);
        record->m_strName = std::move(page.name);
        const std::string label = record->m_strURL;
        if (Status added = m_doc.AddRecord(std::move(record), false); !added) {
            m_result.skipped.push_back(label + ": " + added.error().message);
            continue;
        }
        ++m_result.added;
    }
    return Done();
}

ImportResult CImportSteps::Finish()
{
    if (m_result.added > 0)
        m_doc.AdvanceIdSetting();
    m_read.pages.clear();
    return std::move(m_result);
}

ImportResult ImportBookmarks(CSiteVigilDoc& doc, std::string_view htmlText, bool skipWatched)
{
    CImportSteps steps(doc, ReadBookmarkPages(htmlText), skipWatched);
    steps.Step(steps.Total());
    return steps.Finish();
}

Result<ImportResult> ImportBookmarksFile(CSiteVigilDoc& doc, const std::string& path, bool skipWatched)
{
    Result<BookmarkPages> read = ReadBookmarkPagesFile(path);
    if (!read)
        return read.error();
    CImportSteps steps(doc, std::move(*read), skipWatched);
    steps.Step(steps.Total());
    return steps.Finish();
}

std::string DefaultFavoritesFolder()
{
    return UserHome() + "Favorites/";
}

Result<ImportResult> ImportFavorites(CSiteVigilDoc& doc, const std::string& folder, bool skipWatched)
{
    const Result<std::vector<std::string>> names = ListFolder(folder);
    if (!names)
        return names.error();
    ImportResult result;
    const std::string prefix = WithSlash(folder);
    for (const std::string& name : *names) {
        const std::string path = prefix + name;
        struct stat st
        {
        };
        // Sub-folders are not entered; devices and pipes are no shortcuts, and opening a pipe would
        // wait for a writer.
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        Result<ShortcutFile> read = ReadShortcutFile(path);
        if (!read) {
            result.skipped.push_back(read.error().message);
            continue;
        }
        ShortcutFile& shortcut = *read;
        if (!shortcut.isShortcut)
            continue;
        // A page without an address would be checked as some other page once the list is reloaded.
        if (shortcut.url.empty()) {
            result.skipped.push_back(path + " holds no address");
            continue;
        }
        if (const Status watchable = Curl::IsWatchableURL(shortcut.url); !watchable) {
            result.skipped.push_back(path + ": " + watchable.error().message);
            continue;
        }
        if (SkippedAsWatched(doc, shortcut.url, skipWatched)) {
            ++result.alreadyWatched;
            continue;
        }
        if (Status added = AddPage(doc, std::move(shortcut.url), std::move(shortcut.title)); !added) {
            result.skipped.push_back(path + ": " + added.error().message);
            continue;
        }
        ++result.added;
    }
    return result;
}

Result<ImportResult> ImportListFile(CSiteVigilDoc& doc, const std::string& path)
{
    CSiteVigilDoc other(CSiteVigilDoc::PageIds::Keep);
    // A file that cannot be read whole would bring in "Error" placeholders: all of it or nothing.
    if (const Status read = other.LoadFromFile(path); !read)
        return read.error();
    ImportResult result;
    for (auto& record : other.TakeAll()) {
        if (const Status watchable = Curl::IsWatchableURL(record->m_strURL); !watchable) {
            result.skipped.push_back("\"" + record->m_strName + "\" (" + record->m_strURL
                                     + "): " + watchable.error().message);
            continue;
        }
        record->m_strPageID.clear();
        const std::string label = "\"" + record->m_strName + "\" (" + record->m_strURL + "): ";
        if (Status added = doc.AddRecord(std::move(record)); !added) {
            result.skipped.push_back(label + added.error().message);
            continue;
        }
        ++result.added;
    }
    return result;
}
