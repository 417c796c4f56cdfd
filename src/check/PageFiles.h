#pragma once

#include "platform/Error.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

class Curl;
struct CurlSettings;
struct CurlResults;

// The files each monitored page keeps in the saved-pages folder, named after its page id: the current
// and the previous copy of the page, the differences report between them and the debug log of the
// latest check, and the page's history folder (PageHistory.h). A record without a valid page id (one that has not
// joined a list) has no files: its paths are "".

// The saved-pages folder, ending with '/' (CVigilPrefs::GetPagesFolder). The same for every page.
std::string GetPagesFolder();
// The folder and page id that every file name of the page extends.
std::string GetFileBase(const Curl& page);
std::string FileBaseOf(const std::string& pageId);
std::string GetSavedPagePath(const Curl& page);
std::string GetPreviousPagePath(const Curl& page);
std::string GetDiffsPath(const Curl& page);
std::string GetDebugLogPath(const Curl& page);

// Saves the page text as the current copy (with a line break after every "<BR>"). A text equal to
// the current copy replaces nothing; otherwise the new copy is written whole under a temporary name,
// then the current copy becomes the previous one and the new one the current. When the copy could
// not be saved, both old copies are kept. When the copies rotate, the outgoing previous copy joins the
// page's history (PageHistory.h) with reason, the change that brought the new copy, kept for the
// version it replaces; historyNote, when given, gets why the history missed a version ("" if not).
//
// digest, when given, holds the stored digest of the current copy (CopyDigest; "" when unknown): a page
// with the same digest is known equal from the copy's size alone, without reading it back. It is left
// holding the digest of the current copy after the save, or "" when the copy could not be saved.
Status SavePageCopy(const std::string& fileBase, std::string_view pageText, const std::string& reason = {},
                    std::string* historyNote = nullptr, std::string* digest = nullptr);
// The digest of the copy saved for this page text: its size and two checksums of its bytes.
std::string CopyDigest(std::string_view pageText);
// Whether the page whose files begin with fileBase has a current copy.
bool HasSavedCopy(const std::string& fileBase);
// The page text the current copy was saved from (the line breaks added after "<BR>" taken out).
Result<std::string> ReadSavedPageText(const std::string& fileBase);

// The current copy of the page whose files begin with fileBase, as it was downloaded (the line breaks
// the copy adds after "<BR>" taken out again); none when there is no copy to read.
std::optional<std::string> ReadCurrentCopyAt(const std::string& fileBase);
// The same for any file that holds a copy of a page (a version of its history).
std::optional<std::string> ReadPageCopy(const std::string& path);

// The debug log of one check. Opening starts it with the address, the description and the dates as
// they were before this check; closing (or destroying) replaces the previous check's log with it, in
// one write.
class CDebugLog
{
public:
    CDebugLog() = default;
    ~CDebugLog();
    CDebugLog(const CDebugLog&) = delete;
    CDebugLog& operator=(const CDebugLog&) = delete;

    bool Open(const std::string& fileBase, const CurlSettings& settings, const CurlResults& before);
    void Close();
    bool IsOpen() const { return !m_path.empty(); }
    // Adds one line when the log is open.
    void WriteLine(const std::string& line);

private:
    std::string m_path;
    std::string m_text;
};

// The current copy, with CR LF between lines for the text box that shows it, up to a zero byte.
Result<std::string> ReadSavedPage(const Curl& page);
// Writes the differences report between the previous and the current copy; false when it was not written.
bool MakeDiffReport(const Curl& page);
// The same for the page whose files begin with base (GetFileBase): needs no record, so it can run
// on another thread.
bool MakeDiffReportAt(const std::string& base);
