// The page check: download a record's page and decide, by each watch the user chose, whether it changed.

#include "model/UrlRecord.h"

#include "check/Checksum.h"
#include "fetch/UrlEngine.h"
#include "platform/HtmlTitle.h"

#include <cstdio>
#include <ctime>
#include <string_view>

namespace {

std::string SizeChangedReason(int32_t was, int32_t now)
{
    char text[96];
    std::snprintf(text, sizeof text, "Size changed - was %d bytes, now %d bytes", was, now);
    return text;
}

} // namespace

Curl::PreviousDownload Curl::GetPreviousDownload() const
{
    return PreviousDownload{m_nChecks > 0, m_bComplete, m_nSize};
}

void Curl::CheckPage(CUrlEngine& engine)
{
    m_pEngine = &engine;
    m_bNewChange = false;
    // Taken before the fetch: the engine clears the complete flag and the body when it starts.
    const PreviousDownload previous = GetPreviousDownload();
    engine.fetch(*this);
    EvaluatePage(previous);
}

void Curl::EvaluatePage()
{
    EvaluatePage(PreviousDownload{false, false, 0});
}

// Later marks replace the reason of earlier ones, so when several watches fire the reason left is the
// last of: the date (marked while the headers arrive), "Page reachable again", "Checksum changed",
// "Size changed ...", the part of the page, the text search. A page that is back after a failure
// usually differs in everything that follows, so the later marks say more; the size change follows
// the checksum because it names both sizes where the checksum only says that the page differs.
void Curl::EvaluatePage(const PreviousDownload& previous)
{
    // The storage folder is read once for all of this check's files.
    const std::string fileBase = GetFileBase();
    // The header shows the dates as they were before this check.
    OpenDebugLog(fileBase);
    m_timeLastChecked = static_cast<int64_t>(std::time(nullptr));
    m_nChecks += 1;

    if (!m_bComplete) {
        // A failed, refused or cancelled download changes nothing else: checksums, download count and
        // copies stay as the last good download left them.
        if (m_bWatchUnreachable)
            MarkChanged(m_strError);
        CloseDebugLog();
        return;
    }

    // The record's first successful download has nothing to compare its checksums with.
    const bool firstDownload = m_nDownloads == 0;
    m_nDownloads += 1;
    // The page text ends at the first zero byte of the body.
    m_strPage = GetBody();
    std::string copyError;
    if (m_bSavePage)
        copyError = SavePageCopy(fileBase, m_strPage);

    // Only a check that follows a failed one can find the page back; a never-checked record cannot.
    if (m_bWatchReachable && previous.checked && !previous.complete)
        MarkChanged("Page reachable again");

    m_dwNewPageCRC = TextChecksum(m_strPage);
    if (m_dwNewPageCRC != m_dwPageCRC && m_bWatchContent && !firstDownload)
        MarkChanged("Checksum changed");
    // Stored also when content is not watched, so turning the watch on compares with the latest page.
    m_dwPageCRC = m_dwNewPageCRC;

    // Sizes are compared between two successful downloads only: a failed one has replaced the size in
    // the record, and a record's first download has nothing to compare with.
    if (m_bWatchSize && previous.checked && previous.complete && previous.size != m_nSize)
        MarkChanged(SizeChangedReason(previous.size, m_nSize));

    if (!m_bFromStart || !m_bToEnd) {
        // A missing limit text has marked its own reason and leaves the stored part checksum alone.
        if (ComputePartCRC()) {
            // No part checksum stored yet (0; the empty part has it too): the first cut part only sets it.
            if (m_dwNewPartCRC != m_dwPartCRC && m_dwPartCRC != 0 && !firstDownload)
                MarkChanged("Partial page change");
            m_dwPartCRC = m_dwNewPartCRC;
        }
    }

    if (m_bTextSearch || m_bTextNotPresent)
        SearchText();

    // The page was judged, but a copy that could not be saved is a failed check: the user must not be
    // told OK while the copies are out of date.
    if (!copyError.empty()) {
        m_bComplete = false;
        m_strError = copyError;
        WriteDebugLine(copyError);
    }
    CloseDebugLog();
}

bool Curl::ComputePartCRC()
{
    // Limit texts are matched as C strings, byte for byte and case-sensitive.
    size_t start = 0;
    if (!m_bFromStart) {
        start = m_strPage.find(m_strStartText.c_str());
        if (start == std::string::npos) {
            MarkChanged("Couldn't find start text");
            return false;
        }
    }
    size_t end = m_strPage.size();
    if (!m_bToEnd) {
        // Searched from the start text itself: an end text inside the start text ends the part at once.
        end = m_strPage.find(m_strEndText.c_str(), start);
        if (end == std::string::npos) {
            MarkChanged("Couldn't find end text");
            return false;
        }
    }
    m_strPart.assign(m_strPage, start, end - start);
    m_dwNewPartCRC = TextChecksum(m_strPart);
    WriteDebugLine("Partial page watch - Old CRC = " + std::to_string(m_dwPartCRC)
                   + " new CRC = " + std::to_string(m_dwNewPartCRC));
    return true;
}

void Curl::SearchText()
{
    // The raw page is searched, tags included; an empty search text is found at once.
    const size_t at = m_strPage.find(m_strSearchText.c_str());
    if (at != std::string::npos) {
        // With both boxes ticked, only the absence of the text counts.
        if (m_bTextSearch && !m_bTextNotPresent) {
            MarkChanged("Text found");
            WriteDebugLine(m_strSearchText + " is present at index " + std::to_string(static_cast<long long>(at)));
        }
    } else if (m_bTextNotPresent) {
        MarkChanged("Text NOT found");
        WriteDebugLine(m_strSearchText + " not found");
    }
}

std::string Curl::GetPageTitle() const
{
    return ExtractHtmlTitle(m_strPage);
}
