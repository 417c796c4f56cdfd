// The files each monitored page keeps in the saved-pages folder: the current and the previous copy of
// the page, the differences report between them and the debug log of the latest check.

#include "check/PageFiles.h"

#include "check/PageHistory.h"
#include "check/PageTexts.h"
#include "diff/DiffReport.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"
#include "model/VigilPrefs.h"
#include "platform/DebugLog.h"
#include "platform/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kSavedSuffix = ".html";
constexpr const char* kPreviousSuffix = "_previous.html";
constexpr const char* kDiffsSuffix = "_diffs.html";
constexpr const char* kDebugLogSuffix = "_debugLog.log";
// The page copy is written under this name beside the current copy and renamed over it when whole.
constexpr const char* kCopyTempSuffix = ".part";

// The saved copy gets a line break after every "<BR>" (exactly those four characters) so that pages
// written on one line still compare line by line.
std::string PageCopyText(std::string_view text)
{
    constexpr std::string_view kBreak = "<BR>";
    std::string copy;
    copy.reserve(text.size() + text.size() / 64);
    size_t from = 0;
    for (size_t at; (at = text.find(kBreak, from)) != std::string_view::npos; from = at + kBreak.size()) {
        copy.append(text, from, at + kBreak.size() - from);
        copy += '\n';
    }
    copy.append(text, from);
    return copy;
}

// The largest copy a page of the largest size the engine takes can need (a line break after each
// "<BR>" adds a quarter at most), and a little more.
constexpr size_t kMaxCopySize = CUrlEngine::kMaxBodySize + CUrlEngine::kMaxBodySize / 4 + 1;

std::string DigestOfCopy(std::string_view copy)
{
    const auto* bytes = reinterpret_cast<const Bytef*>(copy.data());
    uLong crc = crc32_z(0L, Z_NULL, 0);
    crc = crc32_z(crc, bytes, copy.size());
    uLong adler = adler32_z(1L, Z_NULL, 0);
    adler = adler32_z(adler, bytes, copy.size());
    char text[64];
    std::snprintf(text, sizeof text, "%zu-%08lx-%08lx", copy.size(), crc & 0xFFFFFFFFul, adler & 0xFFFFFFFFul);
    return text;
}

bool FileHasSize(const std::string& path, size_t size)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
        && static_cast<unsigned long long>(info.st_size) == size;
}

// Whether the file holds exactly these bytes; false when it cannot be read.
bool FileHolds(const std::string& path, const std::string& bytes)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)
        || static_cast<unsigned long long>(info.st_size) != bytes.size())
        return false;
    const Result<std::string> content = ReadWholeFile(path, bytes.size() + 1);
    return content && *content == bytes;
}

// Creates (or truncates) the file and writes the bytes; the reason when they could not all be written.
std::string WriteNewFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return "cannot save the page copy " + path + ": " + std::strerror(errno);
    size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return "cannot save the page copy " + path + ": " + std::strerror(error);
    return {};
}

// There is no installer to provide the folder, so the writers make it (private, as the storage folder
// is). Nothing stops when that fails: the files then fail to open and are skipped.
void MakeFolderFor(const std::string& base)
{
    const std::string folder = base.substr(0, base.rfind('/') + 1);
    struct stat info;
    if (::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return;
    MakeFolders(folder, 0700);
}

} // namespace

std::string GetPagesFolder()
{
    return CVigilPrefs::GetInstance().GetPagesFolder();
}

std::string FileBaseOf(const std::string& pageId)
{
    // An id that the list cannot have made never names a file: its files must stay in the folder.
    if (!Curl::IsValidPageID(pageId))
        return {};
    return GetPagesFolder() + pageId;
}

std::string GetFileBase(const Curl& page)
{
    return FileBaseOf(page.m_strPageID);
}

namespace {
std::string PathOf(const Curl& page, const char* suffix)
{
    std::string base = GetFileBase(page);
    return base.empty() ? base : base + suffix;
}
} // namespace

std::string GetSavedPagePath(const Curl& page)
{
    return PathOf(page, kSavedSuffix);
}

std::string GetPreviousPagePath(const Curl& page)
{
    return PathOf(page, kPreviousSuffix);
}

std::string GetDiffsPath(const Curl& page)
{
    return PathOf(page, kDiffsSuffix);
}

std::string GetDebugLogPath(const Curl& page)
{
    return PathOf(page, kDebugLogSuffix);
}

std::string CopyDigest(std::string_view pageText)
{
    return DigestOfCopy(PageCopyText(pageText));
}

bool HasSavedCopy(const std::string& base)
{
    struct stat info;
    return !base.empty() && ::stat((base + kSavedSuffix).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Result<std::string> ReadSavedPageText(const std::string& base)
{
    const std::string path = base + kSavedSuffix;
    // A copy holds at most a page of the largest size the engine takes, with its added line breaks.
    const Result<std::string> read = ReadWholeFile(path, kMaxCopySize);
    if (!read)
        return read.error();
    const std::string& copy = *read;
    constexpr std::string_view kBreak = "<BR>\n";
    std::string text;
    text.reserve(copy.size());
    size_t from = 0;
    for (size_t at; (at = copy.find(kBreak, from)) != std::string::npos; from = at + kBreak.size())
        text.append(copy, from, at + kBreak.size() - 1 - from);
    text.append(copy, from);
    return text;
}

Status SavePageCopy(const std::string& base, std::string_view pageText, const std::string& reason,
                    std::string* historyNote, std::string* digest)
{
    const std::string copy = PageCopyText(pageText);
    const std::string newDigest = DigestOfCopy(copy);
    const std::string knownDigest = digest ? *digest : std::string();
    if (digest)
        digest->clear();
    MakeFolderFor(base);
    const std::string current = base + kSavedSuffix;
    const std::string previous = base + kPreviousSuffix;
    // A page equal to the current copy replaces nothing: the two copies stay the last two different
    // versions, so the report keeps showing the change a page is marked for. The stored digest spares
    // reading the copy back; without one, the copy is compared byte for byte.
    const bool same = knownDigest.empty() ? FileHolds(current, copy)
                                          : knownDigest == newDigest && FileHasSize(current, copy.size());
    if (same) {
        if (digest)
            *digest = newDigest;
        return Status();
    }
    // The new copy is written whole before anything moves: a full disk leaves both old copies.
    const std::string temp = current + kCopyTempSuffix;
    std::string error = WriteNewFile(temp, copy);
    if (error.empty()) {
        const Status kept = KeepOutgoingCopy(base, reason, HistoryLimits::FromSettings());
        if (historyNote)
            *historyNote = kept ? std::string() : kept.error().message;
    }
    if (error.empty() && std::rename(current.c_str(), previous.c_str()) != 0) {
        if (errno == ENOENT)
            std::remove(previous.c_str()); // no current copy: an older previous one belongs to no pair
        else
            error = "cannot keep the previous copy " + previous + ": " + std::strerror(errno);
    }
    if (error.empty() && std::rename(temp.c_str(), current.c_str()) != 0)
        error = "cannot save the page copy " + current + ": " + std::strerror(errno);
    if (error.empty()) {
        if (digest)
            *digest = newDigest;
        return Status();
    }
    std::remove(temp.c_str());
    return MakeError(ErrorKind::Io, error);
}

CDebugLog::~CDebugLog()
{
    Close();
}

bool CDebugLog::Open(const std::string& base, const CurlSettings& settings, const CurlResults& before)
{
    Close();
    if (base.empty())
        return false;
    m_path = base + kDebugLogSuffix;
    m_text.clear();
    WriteLine(settings.m_strURL);
    WriteLine(settings.m_strDescription);
    WriteLine("Date last changed: " + LastModifiedText(before));
    WriteLine("Date last checked: " + LastCheckedText(before));
    return true;
}

void CDebugLog::Close()
{
    if (m_path.empty())
        return;
    // The whole log in one write when the check ends: a file per page and check costs more than the
    // download of an unchanged page, so it must cost no more than one open and one write. A log that
    // cannot be written is skipped; the check does not depend on it. The previous log is written over
    // and then cut to the new length rather than emptied first: a file emptied and written again is
    // flushed to the disk when it is closed (the file system guards replacements that way), which
    // would cost every check a disk write.
    const std::string path = std::move(m_path);
    m_path.clear();
    MakeFolderFor(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0) {
        size_t done = 0;
        while (done < m_text.size()) {
            const ssize_t n = ::write(fd, m_text.data() + done, m_text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        // Nothing of the previous log may stay behind the new one.
        if (::ftruncate(fd, static_cast<off_t>(done)) != 0)
            DebugReport("The debug log could not be cut to its length", path);
        ::close(fd);
    }
    m_text.clear();
}

void CDebugLog::WriteLine(const std::string& line)
{
    if (m_path.empty())
        return;
    // Lines end with a plain LF, as text files do here.
    m_text += line;
    m_text += '\n';
}

std::optional<std::string> ReadPageCopy(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    // A copy never holds more than the engine accepts for one page.
    const Result<std::string> read = ReadWholeFile(path, size_t{1} << 30);
    if (!read)
        return std::nullopt;
    const std::string& bytes = *read;
    std::string text;
    text.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        const size_t br = bytes.find("<BR>\n", at);
        const size_t end = br == std::string::npos ? bytes.size() : br + 4;
        text.append(bytes, at, end - at);
        at = br == std::string::npos ? end : end + 1;
    }
    return text;
}

std::optional<std::string> ReadCurrentCopyAt(const std::string& fileBase)
{
    if (fileBase.empty())
        return std::nullopt;
    return ReadPageCopy(fileBase + kSavedSuffix);
}

Result<std::string> ReadSavedPage(const Curl& page)
{
    const std::string path = GetSavedPagePath(page);
    if (path.empty())
        return MakeError(ErrorKind::NotFound, "the page has no saved copy yet");
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (!file)
        return MakeError(errno == ENOENT ? ErrorKind::NotFound : ErrorKind::Io,
                         "cannot read the saved copy " + path + ": " + SystemErrorText(errno));
    std::string bytes;
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    std::fclose(file);

    const size_t zero = bytes.find('\0');
    if (zero != std::string::npos)
        bytes.resize(zero);
    // The text box that shows the page wants CR LF between lines.
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 32);
    for (char c : bytes) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

bool MakeDiffReport(const Curl& page)
{
    const std::string base = GetFileBase(page);
    return !base.empty() && MakeDiffReportAt(base);
}

bool MakeDiffReportAt(const std::string& base)
{
    if (base.empty())
        return false;
    MakeFolderFor(base);
    // Without a previous copy the old side is empty (the page shows whole) and the heading still
    // names where that copy belongs; its absence is no error worth a diagnostic.
    const std::string previous = base + kPreviousSuffix;
    const bool quietOld = ::access(previous.c_str(), F_OK) != 0;
    return WriteDiffReport(previous, base + kSavedSuffix, base + kDiffsSuffix, quietOld);
}
