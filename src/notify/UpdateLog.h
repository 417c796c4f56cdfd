#pragma once

#include "model/UrlRecord.h"
#include "platform/Error.h"

#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Outcome of an append or a clear: on success a notice for the user (for instance that a damaged log
// file was moved aside), empty when there is nothing to show; on failure every reason, a line each.
using UpdateLogResult = Result<std::string>;

// The history of detected changes: a record file "siteVigilUpdateLog.dat" holding copies of the
// changed records, newest first, and the HTML page "siteVigilUpdateLog.htm" rendered from it.
class CUpdateLog
{
public:
    using RecordList = std::list<std::unique_ptr<Curl>>;

    // storageFolder ends with '/'; the two file names are appended to it directly.
    explicit CUpdateLog(std::string storageFolder);
    ~CUpdateLog();
    CUpdateLog(const CUpdateLog&) = delete;
    CUpdateLog& operator=(const CUpdateLog&) = delete;

    // Re-reads the record file, puts a copy of every record with the new-change flag in front (the
    // last such record of the list ends up first), saves and renders.
    UpdateLogResult AppendChanges(const std::vector<std::unique_ptr<Curl>>& records);
    UpdateLogResult AppendChanges(const std::vector<const Curl*>& records);
    // Empties the log: both files are rewritten, the page with the heading row only.
    UpdateLogResult ClearLog();

    // Reads the record file into the entries. A missing file gives an empty log. A file that cannot be
    // read to its end gives the reason; the entries then hold what was read before the damage.
    Status LoadLog();
    // The same from the bytes of a record file.
    Status ReadEntries(std::string_view bytes);
    // Writes the record file atomically.
    Status SaveLog();
    // Writes the page atomically.
    Status RenderLog();

    // "file://" followed by the storage folder path and the page's file name.
    std::string GetPageUrl() const;
    std::string GetPagePath() const;
    std::string GetRecordFilePath() const;

    const RecordList& Entries() const { return m_entries; }

    // The page text for the current entries, footer dated at the given time (seconds since 1970).
    std::string BuildPage(int64_t now) const;
    // "Mon Dec 07 09:05:01 2026" in local time with English names.
    static std::string FormatFooterDate(int64_t seconds);

    // The web site named in the page footer.
    static constexpr const char* kProductSite = "https://site-vigil.example.org/";

private:
    // Saves the record file and the page; a failure carries the notice and each reason.
    UpdateLogResult SaveAndRender(std::string notice);
    // Moves a record file that could not be read aside without replacing anything; gives its new path.
    Result<std::string> SetAsideDamagedFile();

    std::string m_strStorageFolder;
    RecordList m_entries;
};
