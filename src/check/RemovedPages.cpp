#include "check/RemovedPages.h"

#include "check/PageHistory.h"
#include "model/UrlRecord.h"
#include "platform/FileUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// The files a page has in the saved-pages folder, by their suffix after the page id.
constexpr const char* kPageSuffixes[] = {".html", "_previous.html", "_diffs.html", "_debugLog.log", ".html.part"};

bool Exists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// The names in a folder without "." and ".."; none when it cannot be read (errno says why).
std::optional<std::vector<std::string>> FolderNames(const std::string& path)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Walks a folder depth first without following links, removing (remove) or only counting its entries.
void Walk(const std::string& path, bool remove, PurgeCount& count, std::string& error)
{
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode)) {
        if (const auto names = FolderNames(path)) {
            for (const std::string& name : *names)
                Walk(path + "/" + name, remove, count, error);
        }
        if (remove && ::rmdir(path.c_str()) != 0 && error.empty())
            error = "cannot remove " + path + ": " + SystemErrorText(errno);
        return;
    }
    count.bytes += static_cast<unsigned long long>(info.st_size);
    if (remove && ::unlink(path.c_str()) != 0 && error.empty())
        error = "cannot remove " + path + ": " + SystemErrorText(errno);
}

} // namespace

std::string RemovedFolderFor(const std::string& pagesFolder)
{
    // savedPages/ is a folder of the storage folder; removed/ is its sibling.
    std::string storage = pagesFolder;
    while (!storage.empty() && storage.back() == '/')
        storage.pop_back();
    storage.erase(storage.rfind('/') + 1);
    return storage + "removed/";
}

Status MovePageFilesToRemoved(const std::string& pagesFolder, const std::string& pageId)
{
    if (!Curl::IsValidPageID(pageId))
        return Status();
    const std::string base = pagesFolder + pageId;
    std::vector<std::pair<std::string, std::string>> moves; // from, name in the page's removed folder
    for (const char* suffix : kPageSuffixes) {
        if (Exists(base + suffix))
            moves.emplace_back(base + suffix, pageId + suffix);
    }
    if (Exists(base))
        moves.emplace_back(base, pageId);
    if (moves.empty())
        return Status();

    const std::string removed = RemovedFolderFor(pagesFolder);
    if (const Status made = MakeFolders(removed, 0700); !made)
        return MakeError(ErrorKind::Io, "cannot make the folder " + removed + ": " + made.error().message);
    // An id given again after its page was removed gets a folder of its own, so nothing is overwritten.
    std::string target = removed + pageId;
    for (int n = 2; ::mkdir(target.c_str(), 0700) != 0; ++n) {
        if (errno != EEXIST || n > 10000)
            return MakeError(ErrorKind::Io, "cannot make the folder " + target + ": " + SystemErrorText(errno));
        target = removed + pageId + "-" + std::to_string(n);
    }
    for (const auto& [from, name] : moves) {
        if (std::rename(from.c_str(), (target + "/" + name).c_str()) != 0)
            return MakeError(ErrorKind::Io, "cannot move " + from + " to " + target + ": " + SystemErrorText(errno));
    }
    // The history that left no longer counts against the budget.
    ForgetHistoryUsage();
    return Status();
}

Result<PurgeCount> PurgeRemovedPages(const std::string& pagesFolder)
{
    const std::string removed = RemovedFolderFor(pagesFolder);
    PurgeCount count;
    const auto names = FolderNames(removed);
    if (!names) {
        if (errno == ENOENT)
            return count;
        return MakeError(ErrorKind::Io, "cannot read the folder " + removed + ": " + SystemErrorText(errno));
    }
    std::string error;
    for (const std::string& name : *names) {
        Walk(removed + name, true, count, error);
        ++count.pages;
    }
    if (!error.empty())
        return MakeError(ErrorKind::Io, error);
    return count;
}

PurgeCount CountRemovedPages(const std::string& pagesFolder)
{
    const std::string removed = RemovedFolderFor(pagesFolder);
    PurgeCount count;
    std::string unused;
    for (const std::string& name : FolderNames(removed).value_or(std::vector<std::string>{})) {
        Walk(removed + name, false, count, unused);
        ++count.pages;
    }
    return count;
}
