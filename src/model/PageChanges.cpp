#include "model/PageChanges.h"

#include "extract/ComparedText.h"

namespace {

// Sets the watch flag of that name; false for an unknown name.
bool SetWatch(Curl& record, const std::string& watch)
{
    for (const WatchName& known : kWatchNames) {
        if (watch == known.name) {
            record.*known.flag = true;
            return true;
        }
    }
    return false;
}

Error Refusal(std::string why)
{
    return MakeError(ErrorKind::BadInput, std::move(why));
}

} // namespace

Status CheckPageAddress(const std::string& url)
{
    const Status watchable = Curl::IsWatchableURL(url);
    if (watchable)
        return {};
    std::string reason = "cannot watch \"" + url + "\": " + watchable.error().message;
    if (const std::string suggested = SuggestedPageAddress(url); !suggested.empty())
        reason += "; did you mean " + suggested + "?";
    return Refusal(std::move(reason));
}

std::string SuggestedPageAddress(const std::string& url)
{
    // "example.org" is most likely meant as a web address; "http//example.org" (host "http") is not.
    if (url.empty() || url.find("://") != std::string::npos || !Curl::IsWatchableURL("https://" + url))
        return {};
    const std::string host = url.substr(0, url.find_first_of(":/?#"));
    if (host.find('.') == std::string::npos && host != "localhost")
        return {};
    return "https://" + url;
}

Status PageChanges::ApplyTo(Curl& record) const
{
    if (url) {
        record.m_strURL = *url;
        if (Status watchable = CheckPageAddress(record.m_strURL); !watchable)
            return watchable;
    }
    if (name) {
        record.m_strName = *name;
        if (record.m_strName.find_first_not_of(" \t") == std::string::npos)
            return Refusal("a page needs a name that is not empty");
    }
    if (watches) {
        for (const WatchName& known : kWatchNames)
            record.*known.flag = false;
        for (const std::string& watch : *watches) {
            if (!SetWatch(record, watch))
                return Refusal("unknown watch \"" + watch
                               + "\" (content, date, unreachable, reachable, size, text or notext)");
        }
    }
    if (searchText)
        record.m_strSearchText = *searchText;
    const bool textWatched = record.m_bTextSearch || record.m_bTextNotPresent;
    if (textWatched && record.m_strSearchText.empty())
        return Refusal("--watch text and --watch notext need --search TEXT");
    if (searchText && !textWatched)
        return Refusal("--search needs --watch text or --watch notext, or it is never looked for");
    // An empty limit text means no limit: the page is watched from its start or to its end.
    if (startText) {
        record.m_strStartText = *startText;
        record.m_bFromStart = record.m_strStartText.empty();
    }
    if (endText) {
        record.m_strEndText = *endText;
        record.m_bToEnd = record.m_strEndText.empty();
    }
    if (savePage)
        record.m_bSavePage = *savePage;
    if (renderWait && (*renderWait < 0 || *renderWait > 60))
        return Refusal("--render-wait takes whole seconds from 0 to 60");
    if (render)
        record.m_bRender = *render;
    if (renderWait)
        record.m_nRenderWait = *renderWait;
    if (every) {
        const Result<CheckInterval> interval = ParseCheckInterval(*every);
        if (!interval)
            return Refusal("--every \"" + *every + "\": " + interval.error().message);
        record.m_every = *interval;
    }
    return ApplyCompareOptions(record);
}

Status PageChanges::ApplyCompareOptions(Curl& record) const
{
    if (compare && !ParseOption(*compare, record.m_compare))
        return Refusal("--compare takes page or text, not \"" + *compare + "\"");
    if (trigger && !ParseOption(*trigger, record.m_trigger))
        return Refusal("--trigger takes any, added or removed, not \"" + *trigger + "\"");
    if (announce && !ParseOption(*announce, record.m_announce))
        return Refusal("--announce takes each or change, not \"" + *announce + "\"");
    if (select && xpath && !select->empty() && !xpath->empty())
        return Refusal("give a CSS selector or an XPath expression, not both");
    if (select) {
        record.m_strSelect = *select;
        if (!select->empty())
            record.m_strXPath.clear();
    }
    if (xpath) {
        record.m_strXPath = *xpath;
        if (!xpath->empty())
            record.m_strSelect.clear();
    }
    if (clearIgnore) {
        record.m_ignore.clear();
        record.m_ignoreRegex.clear();
    }
    record.m_ignore.insert(record.m_ignore.end(), ignoreTexts.begin(), ignoreTexts.end());
    record.m_ignoreRegex.insert(record.m_ignoreRegex.end(), ignoreRegexes.begin(), ignoreRegexes.end());
    if (record.m_compare == CompareMode::Page && (!record.m_strSelect.empty() || !record.m_strXPath.empty()))
        return Refusal("a selection picks from the page's text: use it with --compare text");
    const TextOptions options{record.m_strSelect, record.m_strXPath, record.m_ignore, record.m_ignoreRegex};
    if (Status valid = ValidateTextOptions(options); !valid)
        return valid;
    return {};
}
