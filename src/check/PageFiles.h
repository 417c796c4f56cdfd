#pragma once

#include <string>
#include <string_view>

class Curl;

// The files each monitored page keeps in the saved-pages folder, named after its page id: the current
// and the previous copy of the page, the differences report between them and the debug log of the
// latest check. The paths take a writable record because a record gets its page id on first use.

// The saved-pages folder, ending with '/' (CVigilPrefs::GetPagesFolder). The same for every page.
std::string GetPagesFolder();
// The folder and page id that every file name of the page extends.
std::string GetFileBase(Curl& page);
std::string GetSavedPagePath(Curl& page);
std::string GetPreviousPagePath(Curl& page);
std::string GetDiffsPath(Curl& page);
std::string GetDebugLogPath(Curl& page);

// Saves the page text as the current copy (with a line break after every "<BR>"). A text equal to
// the current copy replaces nothing; otherwise the new copy is written whole under a temporary name,
// then the current copy becomes the previous one and the new one the current. Returns the reason
// when the copy could not be saved; both old copies are then kept.
std::string SavePageCopy(const std::string& fileBase, std::string_view pageText);

// The debug log of the check in progress (Curl::m_pDebugLog). Opening replaces the previous check's
// log and starts it with the address, the description and the dates as they were before this check.
bool OpenDebugLog(Curl& page, const std::string& fileBase);
void CloseDebugLog(Curl& page);
// Writes one line when the log is open; each line is flushed, so a stuck check shows how far it came.
void WriteDebugLine(Curl& page, const std::string& line);

// Reads the current copy into the page text, with CR LF between lines for the text box that shows it.
bool ReadSavedPage(Curl& page);
// Writes the differences report between the previous and the current copy; false when it was not written.
bool MakeDiffReport(Curl& page);
// The same for the page whose files begin with base (GetFileBase): needs no record, so it can run
// on another thread.
bool MakeDiffReportAt(const std::string& base);
