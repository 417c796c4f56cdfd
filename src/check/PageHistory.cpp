#include "check/PageHistory.h"

#include "model/PrefKeys.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/Clock.h"
#include "platform/FileUtil.h"
#include "platform/Gzip.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

constexpr const char* kIndexName = "index";
constexpr const char* kCurrentSuffix = ".html";
constexpr const char* kPreviousSuffix = "_previous.html";
// No copy is larger than the largest body the engine takes, with a line break after each "<BR>".
constexpr size_t kMaxCopyBytes = 160u << 20;

std::string VersionPath(const std::string& folder, int number, const char* extension)
{
    return folder + std::to_string(number) + extension;
}

struct FileFacts
{
    bool exists = false;
    uint64_t size = 0;
    int64_t time = 0;
};

FileFacts Facts(const std::string& path)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    return {true, static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtime)};
}

// The size a gzip member records for itself in its last four bytes (modulo 4 GiB, which no page reaches).
uint64_t RecordedSize(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    unsigned char tail[4] = {};
    const off_t end = ::lseek(fd, 0, SEEK_END);
    const bool read = end >= 4 && ::pread(fd, tail, 4, end - 4) == 4;
    ::close(fd);
    return read ? (tail[0] | tail[1] << 8 | tail[2] << 16 | static_cast<uint64_t>(tail[3]) << 24) : 0;
}

// An index that cannot be read: what the version files themselves say (reasons are lost).
HistoryIndex RebuiltIndex(const std::string& folder)
{
    HistoryIndex index;
    std::map<int, HistoryVersion> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            const size_t dot = name.find('.');
            if (dot == 0 || dot == std::string::npos || name.substr(dot) != ".gz" || dot > 9
                || name.find_first_not_of("0123456789") != dot)
                continue;
            HistoryVersion v;
            v.number = std::stoi(name.substr(0, dot));
            const FileFacts facts = Facts(folder + name);
            if (v.number < 1 || !facts.exists)
                continue;
            v.time = facts.time;
            v.stored = facts.size;
            v.size = RecordedSize(folder + name);
            found[v.number] = v;
        }
        ::closedir(dir);
    }
    for (auto& [number, version] : found)
        index.versions.push_back(std::move(version));
    if (!index.versions.empty())
        index.next = index.versions.back().number + 1;
    return index;
}

// The page's index; versions whose files are gone are left out and counted in missing.
HistoryIndex LoadIndex(const std::string& folder, int* missing = nullptr)
{
    const Result<std::string> text = ReadWholeFile(folder + kIndexName, kMaxIndexBytes + 1);
    if (!text)
        return RebuiltIndex(folder);
    Result<HistoryIndex> parsed = ParseHistoryIndex(*text);
    if (!parsed)
        return RebuiltIndex(folder);
    HistoryIndex index = std::move(parsed.value());
    std::vector<HistoryVersion> present;
    for (HistoryVersion& v : index.versions) {
        if (Facts(VersionPath(folder, v.number, ".gz")).exists)
            present.push_back(std::move(v));
        else if (missing)
            ++*missing;
    }
    index.versions = std::move(present);
    return index;
}

Status SaveIndex(const std::string& folder, const HistoryIndex& index)
{
    return WriteFileAtomically(folder + kIndexName, FormatHistoryIndex(index));
}

// What the budget knows of every page's history in one saved-pages folder: counted from disk once,
// then kept up to date by the changes this process makes.
struct PageUsage
{
    uint64_t bytes = 0;
    int64_t oldestTime = 0;
    bool any = false;
};

struct Usage
{
    std::mutex lock;
    std::string pagesFolder;
    bool counted = false;
    std::map<std::string, PageUsage> pages; // by history folder
    uint64_t total = 0;

    void Set(const std::string& folder, const HistoryIndex& index)
    {
        PageUsage& page = pages[folder];
        total -= page.bytes;
        page.bytes = index.StoredBytes();
        page.any = !index.versions.empty();
        page.oldestTime = page.any ? index.versions.front().time : 0;
        total += page.bytes;
    }

    void Count(const std::string& folder)
    {
        if (counted && folder == pagesFolder)
            return;
        pages.clear();
        total = 0;
        pagesFolder = folder;
        counted = true;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir)
            return;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (!Curl::IsValidPageID(name))
                continue;
            struct stat info;
            const std::string history = folder + name + "/";
            if (::stat(history.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                Set(history, LoadIndex(history));
        }
        ::closedir(dir);
    }

    // The history folder whose oldest version is the oldest of all; "" when none holds any.
    std::string Oldest() const
    {
        const std::pair<const std::string, PageUsage>* oldest = nullptr;
        for (const auto& page : pages) {
            if (page.second.any && (!oldest || page.second.oldestTime < oldest->second.oldestTime))
                oldest = &page;
        }
        return oldest ? oldest->first : std::string();
    }
};

Usage& TheUsage()
{
    static Usage usage;
    return usage;
}

void DropOldest(HistoryIndex& index, const std::string& folder)
{
    ::unlink(VersionPath(folder, index.versions.front().number, ".gz").c_str());
    index.versions.erase(index.versions.begin());
}

// Takes the oldest versions of any page away until the history fits the budget.
void KeepWithinBudget(Usage& usage, uint64_t budget)
{
    while (usage.total > budget) {
        const std::string folder = usage.Oldest();
        if (folder.empty())
            return;
        HistoryIndex index = LoadIndex(folder);
        if (!index.versions.empty())
            DropOldest(index, folder);
        SaveIndex(folder, index);
        usage.Set(folder, index);
    }
}

// The outgoing previous copy, compressed into the history under its number; note says why not.
bool StoreVersion(const std::string& previousPath, const std::string& folder, HistoryVersion& version, uint64_t budget,
                  std::string& note)
{
    const Result<std::string> read = ReadWholeFile(previousPath, kMaxCopyBytes);
    if (!read) {
        note = "the history missed version " + std::to_string(version.number) + ": " + read.error().message;
        return false;
    }
    const std::string& bytes = *read;
    Result<std::string> packed = GzipCompress(bytes);
    if (!packed) {
        note = "the history missed version " + std::to_string(version.number) + ": " + packed.error().message;
        return false;
    }
    if (packed->size() > budget) {
        note = "version " + std::to_string(version.number) + " is not kept in the history: compressed, its "
            + std::to_string(packed->size()) + " bytes are more than the whole history may take";
        return false;
    }
    const std::string path = VersionPath(folder, version.number, ".gz");
    if (const Status written = WriteFileAtomically(path, packed.value()); !written) {
        note = "the history missed version " + std::to_string(version.number) + ": " + written.error().message;
        return false;
    }
    version.size = bytes.size();
    version.stored = packed->size();
    return true;
}

// Unpacked versions are only for the comparison at hand: all but the two it names go.
void RemoveUnpacked(const std::string& folder, int keep, int alsoKeep)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> old;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const size_t dot = name.find('.');
        if (dot == 0 || dot == std::string::npos || name.substr(dot) != ".html" || dot > 9
            || name.find_first_not_of("0123456789") != dot)
            continue;
        const int number = std::stoi(name.substr(0, dot));
        if (number != keep && number != alsoKeep)
            old.push_back(folder + name);
    }
    ::closedir(dir);
    for (const std::string& path : old)
        ::unlink(path.c_str());
}

CopyInfo CopyAsKnown(const CopyInfo& known, const FileFacts& file)
{
    if (known.known)
        return known;
    return CopyInfo{true, file.time, {}};
}

} // namespace

HistoryLimits HistoryLimits::FromSettings()
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    HistoryLimits limits;
    limits.versions = prefs.ReadInt(Pref::historyVersions);
    limits.budgetBytes = static_cast<uint64_t>(prefs.ReadInt(Pref::historyBudgetMB)) << 20;
    return limits;
}

std::string HistoryFolderOf(const std::string& base)
{
    return base.empty() ? base : base + "/";
}

Status KeepOutgoingCopy(const std::string& base, const std::string& reason, const HistoryLimits& limits)
{
    if (base.empty())
        return {};
    const std::string folder = HistoryFolderOf(base);
    const std::string pagesFolder = base.substr(0, base.rfind('/') + 1);
    const FileFacts current = Facts(base + kCurrentSuffix);
    const FileFacts previous = Facts(base + kPreviousSuffix);
    // A page's first copy moves nothing, and the change that brings it is none: no folder for it yet.
    if (!current.exists)
        return {};

    Usage& usage = TheUsage();
    std::lock_guard<std::mutex> hold(usage.lock);
    usage.Count(pagesFolder);
    if (!MakeFolders(folder, 0700))
        return MakeError(ErrorKind::Io, "the history folder " + folder + " cannot be made");
    // Why the outgoing copy is not kept; the rest of the history is brought up to date all the same.
    std::string note;
    HistoryIndex index = LoadIndex(folder);
    std::string stored; // the version file written now, taken back if the index cannot be saved
    if (current.exists && previous.exists) {
        HistoryVersion version;
        version.number = index.next++;
        version.time = CopyAsKnown(index.previous, previous).time;
        // The change that replaced the outgoing copy is the one that brought the current copy.
        version.reason = index.current.known ? index.current.reason : std::string();
        if (limits.versions > 0 && StoreVersion(base + kPreviousSuffix, folder, version, limits.budgetBytes, note)) {
            stored = VersionPath(folder, version.number, ".gz");
            index.versions.push_back(std::move(version));
        }
    }
    index.previous = current.exists ? CopyAsKnown(index.current, current) : CopyInfo{};
    index.current = CopyInfo{true, Clock::Now(), BoundedReason(reason)};
    while (index.versions.size() > static_cast<size_t>(std::max(limits.versions, 0)))
        DropOldest(index, folder);
    if (const Status saved = SaveIndex(folder, index); !saved) {
        if (!stored.empty())
            ::unlink(stored.c_str());
        return MakeError(ErrorKind::Io, "the history index cannot be saved: " + saved.error().message);
    }
    usage.Set(folder, index);
    KeepWithinBudget(usage, limits.budgetBytes);
    if (!note.empty())
        return MakeError(ErrorKind::Io, std::move(note));
    return {};
}

Result<PageVersions> ListPageVersions(const std::string& base)
{
    if (base.empty())
        return MakeError(ErrorKind::NotFound, "the page has no saved copy yet");
    const std::string folder = HistoryFolderOf(base);
    const FileFacts current = Facts(base + kCurrentSuffix);
    const FileFacts previous = Facts(base + kPreviousSuffix);
    PageVersions list;
    HistoryIndex index = LoadIndex(folder, &list.missing);
    if (!current.exists && !previous.exists && index.versions.empty())
        return MakeError(ErrorKind::NotFound, "the page has no saved copy yet");
    for (HistoryVersion& v : index.versions)
        list.versions.push_back({std::move(v), VersionKind::History});
    int number = index.next;
    if (previous.exists) {
        HistoryVersion v{number++, CopyAsKnown(index.previous, previous).time, previous.size, previous.size,
                         current.exists && index.current.known ? index.current.reason : std::string()};
        list.versions.push_back({std::move(v), VersionKind::Previous});
    }
    if (current.exists) {
        HistoryVersion v{number, CopyAsKnown(index.current, current).time, current.size, current.size, {}};
        list.versions.push_back({std::move(v), VersionKind::Current});
    }
    return list;
}

Result<std::string> PageVersionFile(const std::string& base, int number, int alsoKeep)
{
    Result<PageVersions> list = ListPageVersions(base);
    if (!list)
        return list.error();
    for (const PageVersion& entry : list->versions) {
        if (entry.version.number != number)
            continue;
        if (entry.kind == VersionKind::Current)
            return base + kCurrentSuffix;
        if (entry.kind == VersionKind::Previous)
            return base + kPreviousSuffix;
        const std::string folder = HistoryFolderOf(base);
        const std::string packedPath = VersionPath(folder, number, ".gz");
        const Result<std::string> packed = ReadWholeFile(packedPath, kMaxCopyBytes);
        if (!packed)
            return MakeError(ErrorKind::Io,
                             "version " + std::to_string(number) + " cannot be read: " + packed.error().message);
        const size_t most = entry.version.size > 0 ? entry.version.size : kMaxCopyBytes;
        Result<std::string> bytes = GzipDecompress(*packed, std::min(most, kMaxCopyBytes));
        if (!bytes)
            return MakeError(ErrorKind::BadInput,
                             "version " + std::to_string(number) + " is damaged (" + packedPath
                                 + "): " + bytes.error().message);
        const std::string path = VersionPath(folder, number, ".html");
        RemoveUnpacked(folder, number, alsoKeep);
        if (const Status written = WriteFileAtomically(path, bytes.value()); !written)
            return MakeError(ErrorKind::Io,
                             "version " + std::to_string(number) + " cannot be unpacked: " + written.error().message);
        return path;
    }
    return MakeError(ErrorKind::NotFound, "the page has no version " + std::to_string(number));
}

void ForgetHistoryUsage()
{
    Usage& usage = TheUsage();
    std::lock_guard<std::mutex> hold(usage.lock);
    usage.counted = false;
    usage.pages.clear();
    usage.total = 0;
}
