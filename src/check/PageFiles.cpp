// The files each monitored page keeps in the saved-pages folder: the current and the previous copy of
// the page, the differences report between them and the debug log of the latest check.

#include "model/UrlRecord.h"

#include "diff/DiffReport.h"
#include "model/VigilPrefs.h"
#include "platform/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr const char* kSavedSuffix = ".html";
constexpr const char* kPreviousSuffix = "_previous.html";
constexpr const char* kDiffsSuffix = "_diffs.html";
constexpr const char* kDebugLogSuffix = "_debugLog.log";
// The page copy is written under this name beside the current copy and renamed over it when whole.
constexpr const char* kCopyTempSuffix = ".part";

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

std::string Curl::GetPagesFolder() const
{
    CVigilPrefs& prefs = CVigilPrefs::GetInstance();
    // Read at each use, so a storage folder changed in the preferences applies to the next check.
    std::string folder = prefs.ReadString(Pref::InstallDir);
    // An empty value would put the pages in whatever folder the program was started from.
    if (folder.empty())
        folder = prefs.GetStorageFolder();
    return WithSlash(folder) + "savedPages/";
}

std::string Curl::GetFileBase()
{
    return GetPagesFolder() + GetPageID();
}

std::string Curl::GetSavedPagePath()
{
    return GetFileBase() + kSavedSuffix;
}

std::string Curl::GetPreviousPagePath()
{
    return GetFileBase() + kPreviousSuffix;
}

std::string Curl::GetDiffsPath()
{
    return GetFileBase() + kDiffsSuffix;
}

std::string Curl::GetDebugLogPath()
{
    return GetFileBase() + kDebugLogSuffix;
}

bool Curl::BeginPageCopy()
{
    return BeginPageCopy(GetFileBase());
}

bool Curl::BeginPageCopy(const std::string& base)
{
    EndPageCopy(false);
    MakeFolderFor(base);
    const std::string current = base + kSavedSuffix;
    const std::string previous = base + kPreviousSuffix;
    // Either step fails harmlessly when there is no previous or no current copy yet.
    std::remove(previous.c_str());
    std::rename(current.c_str(), previous.c_str());

    m_strPageCopyTemp = current + kCopyTempSuffix;
    const int fd = ::open(m_strPageCopyTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
        m_pPageCopy = ::fdopen(fd, "wb");
        if (!m_pPageCopy)
            ::close(fd);
    }
    if (!m_pPageCopy) {
        std::remove(m_strPageCopyTemp.c_str());
        m_strPageCopyTemp.clear();
        return false;
    }
    return true;
}

bool Curl::EndPageCopy(bool keep)
{
    if (!m_pPageCopy)
        return false;
    bool ok = std::fflush(m_pPageCopy) == 0 && !std::ferror(m_pPageCopy);
    ok = std::fclose(m_pPageCopy) == 0 && ok;
    m_pPageCopy = nullptr;

    const std::string temp = std::move(m_strPageCopyTemp);
    m_strPageCopyTemp.clear();
    const std::string current = temp.substr(0, temp.size() - std::char_traits<char>::length(kCopyTempSuffix));
    // A copy that could not be written whole is dropped rather than left looking like the page.
    if (keep && ok && std::rename(temp.c_str(), current.c_str()) == 0)
        return true;
    std::remove(temp.c_str());
    return false;
}

bool Curl::OpenDebugLog()
{
    return OpenDebugLog(GetFileBase());
}

bool Curl::OpenDebugLog(const std::string& base)
{
    CloseDebugLog();
    MakeFolderFor(base);
    m_pDebugLog = std::fopen((base + kDebugLogSuffix).c_str(), "we");
    if (!m_pDebugLog)
        return false;
    WriteDebugLine(m_strURL);
    WriteDebugLine(m_strDescription);
    WriteDebugLine("Date last changed: " + GetLastModifiedText());
    WriteDebugLine("Date last checked: " + GetLastCheckedText());
    return true;
}

void Curl::CloseDebugLog()
{
    if (!m_pDebugLog)
        return;
    std::fclose(m_pDebugLog);
    m_pDebugLog = nullptr;
}

void Curl::WriteDebugLine(const std::string& line)
{
    if (!m_pDebugLog)
        return;
    // Lines end with a plain LF, as text files do here; each is flushed so a stuck check still shows
    // how far it came.
    std::fwrite(line.data(), 1, line.size(), m_pDebugLog);
    std::fputc('\n', m_pDebugLog);
    std::fflush(m_pDebugLog);
}

bool Curl::ReadSavedPage()
{
    std::FILE* file = std::fopen(GetSavedPagePath().c_str(), "rbe");
    if (!file)
        return false;
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
    m_strPage = std::move(text);
    return true;
}

bool Curl::MakeDiffReport()
{
    const std::string base = GetFileBase();
    MakeFolderFor(base);
    return WriteDiffReport(base + kPreviousSuffix, base + kSavedSuffix, base + kDiffsSuffix);
}
