#pragma once

#include "fetch/FetchOutcome.h"
#include "model/UrlRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CUrlEngine;
class IPageRenderer;

// The page check: downloads a page and decides, by each watch the user chose, whether it changed.
// It works on what it is given (normally a work copy on a worker thread); nothing reaches into the list.

// What one check found: the page's results after it, and the events of the check.
struct PageVerdict
{
    CurlResults results;
    // The reason of every change mark this check made, in order; the last one is the reason kept.
    std::vector<std::string> changes;
    // The page text that was judged ("" when the download failed) and the part cut from it.
    std::string pageText;
    std::string partText;
    uint32_t newPageCrc = 0;
    uint32_t newPartCrc = 0;
};

// Turns (settings, previous results, a download's outcome) into the verdict. When the page has an id,
// its files are written on the way: the debug log of this check and, when the page is saved, its copy.
//
// Later marks replace the reason of earlier ones, so when several watches fire the reason left is the
// last of: the date, "Page reachable again", "Checksum changed", "Size changed ...", the part of the
// page, the text search.
PageVerdict JudgePage(const CurlSettings& settings, const CurlResults& previous, FetchOutcome outcome);

// Downloads the page for a check: the engine's outcome, nothing judged yet. While the page's copy is
// kept, the server's validators are sent with the request; a 304 then means unchanged (notModified),
// and its body is the text of the copy when a watch needs one (NeedsPageText). A 304 that stands for no
// copy is answered by one unconditional request.
FetchOutcome FetchPage(const Curl& page, CUrlEngine& engine, IFetchProgress* progress = nullptr);

// Whether a watch judges the page text at every check, so that an unchanged page needs it too: the
// part between limit texts or the search text.
bool NeedsPageText(const CurlSettings& settings);

// Fetches the page with the engine, judges it and takes the results into the record; runs on the
// calling (worker) thread. The verdict is returned for callers that want more than the results.
PageVerdict CheckPage(Curl& page, CUrlEngine& engine, IFetchProgress* progress = nullptr);

// The same for a page checked through the browser engine: the rendered document is judged as a
// download would be. Without a renderer the page fails as "Rendering is not available".
PageVerdict RenderPage(Curl& page, IPageRenderer* renderer);
// What the renderer made of the page (none: "Rendering is not available"), not yet judged.
FetchOutcome RenderOutcome(const Curl& page, IPageRenderer* renderer);

// The part between the limit texts (matched as C strings, byte for byte); none when a limit text is
// missing, and then the reason of the mark in missingReason.
std::optional<std::string> CutPart(const CurlSettings& settings, const std::string& pageText,
                                   std::string* missingReason = nullptr);
// Text of the last title element that yields one; no scripts run.
std::string GetPageTitle(std::string_view pageText);
