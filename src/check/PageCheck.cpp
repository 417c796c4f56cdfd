// The page check: download a record's page and decide, by each watch the user chose, whether it changed.

#include "check/PageCheck.h"

#include "check/Checksum.h"
#include "check/PageFiles.h"
#include "fetch/UrlEngine.h"
#include "model/UrlRecord.h"
#include "platform/HtmlTitle.h"

#include <cstdio>
#include <ctime>

namespace {

std::string SizeChangedReason(int32_t was, int32_t now)
{
    char text[96];
    std::snprintf(text, sizeof text, "Size changed - was %d bytes, now %d bytes", was, now);
    return text;
}

} // namespace

PreviousDownload GetPreviousDownload(const Curl& page)
{
    return PreviousDownload{page.m_nChecks > 0, page.m_bComplete, page.m_nSize};
}

void CheckPage(Curl& page, CUrlEngine& engine)
{
    page.m_bNewChange = false;
    // Taken before the fetch: the engine clears the complete flag and the body when it starts.
    const PreviousDownload previous = GetPreviousDownload(page);
    engine.fetch(page);
    EvaluatePage(page, previous);
}

void EvaluatePage(Curl& page)
{
    EvaluatePage(page, PreviousDownload{false, false, 0});
}

// Later marks replace the reason of earlier ones, so when several watches fire the reason left is the
// last of: the date (marked while the headers arrive), "Page reachable again", "Checksum changed",
// "Size changed ...", the part of the page, the text search. A page that is back after a failure
// usually differs in everything that follows, so the later marks say more; the size change follows
// the checksum because it names both sizes where the checksum only says that the page differs.
void EvaluatePage(Curl& page, const PreviousDownload& previous)
{
    // The storage folder is read once for all of this check's files.
    const std::string fileBase = GetFileBase(page);
    // The header shows the dates as they were before this check.
    OpenDebugLog(page, fileBase);
    page.m_timeLastChecked = static_cast<int64_t>(std::time(nullptr));
    page.m_nChecks += 1;

    if (!page.m_bComplete) {
        // A failed, refused or cancelled download changes nothing else: checksums, download count and
        // copies stay as the last good download left them.
        if (page.m_bWatchUnreachable)
            page.MarkChanged(page.m_strError);
        CloseDebugLog(page);
        return;
    }

    // The record's first successful download has nothing to compare its checksums with.
    const bool firstDownload = page.m_nDownloads == 0;
    page.m_nDownloads += 1;
    // The page text ends at the first zero byte of the body.
    page.m_strPage = page.GetBody();
    std::string copyError;
    if (page.m_bSavePage)
        copyError = SavePageCopy(fileBase, page.m_strPage);

    // Only a check that follows a failed one can find the page back; a never-checked record cannot.
    if (page.m_bWatchReachable && previous.checked && !previous.complete)
        page.MarkChanged("Page reachable again");

    page.m_dwNewPageCRC = TextChecksum(page.m_strPage);
    if (page.m_dwNewPageCRC != page.m_dwPageCRC && page.m_bWatchContent && !firstDownload)
        page.MarkChanged("Checksum changed");
    // Stored also when content is not watched, so turning the watch on compares with the latest page.
    page.m_dwPageCRC = page.m_dwNewPageCRC;

    // Sizes are compared between two successful downloads only: a failed one has replaced the size in
    // the record, and a record's first download has nothing to compare with.
    if (page.m_bWatchSize && previous.checked && previous.complete && previous.size != page.m_nSize)
        page.MarkChanged(SizeChangedReason(previous.size, page.m_nSize));

    if (!page.m_bFromStart || !page.m_bToEnd) {
        // A missing limit text has marked its own reason and leaves the stored part checksum alone.
        if (ComputePartCRC(page)) {
            // No part checksum stored yet (0; the empty part has it too): the first cut part only sets it.
            if (page.m_dwNewPartCRC != page.m_dwPartCRC && page.m_dwPartCRC != 0 && !firstDownload)
                page.MarkChanged("Partial page change");
            page.m_dwPartCRC = page.m_dwNewPartCRC;
        }
    }

    if (page.m_bTextSearch || page.m_bTextNotPresent)
        SearchText(page);

    // The page was judged, but a copy that could not be saved is a failed check: the user must not be
    // told OK while the copies are out of date.
    if (!copyError.empty()) {
        page.m_bComplete = false;
        page.m_strError = copyError;
        WriteDebugLine(page, copyError);
    }
    CloseDebugLog(page);
}

bool ComputePartCRC(Curl& page)
{
    // Limit texts are matched as C strings, byte for byte and case-sensitive.
    size_t start = 0;
    if (!page.m_bFromStart) {
        start = page.m_strPage.find(page.m_strStartText.c_str());
        if (start == std::string::npos) {
            page.MarkChanged("Couldn't find start text");
            return false;
        }
    }
    size_t end = page.m_strPage.size();
    if (!page.m_bToEnd) {
        // Searched from the start text itself: an end text inside the start text ends the part at once.
        end = page.m_strPage.find(page.m_strEndText.c_str(), start);
        if (end == std::string::npos) {
            page.MarkChanged("Couldn't find end text");
            return false;
        }
    }
    page.m_strPart.assign(page.m_strPage, start, end - start);
    page.m_dwNewPartCRC = TextChecksum(page.m_strPart);
    WriteDebugLine(page,
                   "Partial page watch - Old CRC = " + std::to_string(page.m_dwPartCRC)
                       + " new CRC = " + std::to_string(page.m_dwNewPartCRC));
    return true;
}

void SearchText(Curl& page)
{
    // The raw page is searched, tags included; an empty search text is found at once.
    const size_t at = page.m_strPage.find(page.m_strSearchText.c_str());
    if (at != std::string::npos) {
        // With both boxes ticked, only the absence of the text counts.
        if (page.m_bTextSearch && !page.m_bTextNotPresent) {
            page.MarkChanged("Text found");
            WriteDebugLine(page,
                           page.m_strSearchText + " is present at index " + std::to_string(static_cast<long long>(at)));
        }
    } else if (page.m_bTextNotPresent) {
        page.MarkChanged("Text NOT found");
        WriteDebugLine(page, page.m_strSearchText + " not found");
    }
}

std::string GetPageTitle(const Curl& page)
{
    return ExtractHtmlTitle(page.m_strPage);
}
