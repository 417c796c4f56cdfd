#pragma once

#include "model/UrlRecord.h"
#include "platform/Error.h"

#include <optional>
#include <string>
#include <vector>

// The watches by the names users and scripts give them (--watch, show, list --json), in the order
// they are shown.
struct WatchName
{
    const char* name;
    bool CurlSettings::*flag;
};
inline constexpr WatchName kWatchNames[] = {
    {"content", &CurlSettings::m_bWatchContent},
    {"date", &CurlSettings::m_bWatchDate},
    {"unreachable", &CurlSettings::m_bWatchUnreachable},
    {"reachable", &CurlSettings::m_bWatchReachable},
    {"size", &CurlSettings::m_bWatchSize},
    {"text", &CurlSettings::m_bTextSearch},
    {"notext", &CurlSettings::m_bTextNotPresent},
};

// What a user asks to change in a page's settings (adding a page, editing one): each field given
// replaces the page's own; a field not given leaves it alone.
struct PageChanges
{
    std::optional<std::string> url;
    std::optional<std::string> name;
    // Replaces the page's set of watches, by name.
    std::optional<std::vector<std::string>> watches;
    std::optional<std::string> searchText;
    std::optional<std::string> startText;
    std::optional<std::string> endText;
    std::optional<bool> savePage;
    std::optional<bool> render;
    // Seconds, 0 to 60.
    std::optional<int> renderWait;
    // What is compared, by the names files store: "page" or "text".
    std::optional<std::string> compare;
    // A CSS selector or an XPath expression; the empty text selects the whole page. Setting one
    // clears the other.
    std::optional<std::string> select;
    std::optional<std::string> xpath;
    // Ignore rules: clearIgnore drops the page's own first, the texts and expressions given are added.
    bool clearIgnore = false;
    std::vector<std::string> ignoreTexts;
    std::vector<std::string> ignoreRegexes;
    // "any", "added" or "removed"; "each" or "change".
    std::optional<std::string> trigger;
    std::optional<std::string> announce;
    // The page's own interval as typed ("15m", "6h", "2d"), or "global".
    std::optional<std::string> every;

    bool Empty() const
    {
        return !url && !name && !watches && !searchText && !startText && !endText && !savePage && !render && !renderWait
            && !compare && !select && !xpath && !clearIgnore && ignoreTexts.empty() && ignoreRegexes.empty() && !trigger
            && !announce && !every;
    }

    // Sets the record from the fields given. Fails (BadInput) when the result would not be a page
    // that can be checked (an address that is not http or https, an empty name, an unknown watch, a
    // text watch without a text, a text without a text watch, an unknown choice, a selector, expression
    // or ignore rule that could never run, with the parser's reason); the record may then be half
    // changed, so work on a copy.
    Status ApplyTo(Curl& record) const;

private:
    Status ApplyCompareOptions(Curl& record) const;
};

// Whether the address can be watched; otherwise BadInput with the reason, and a suggestion where one
// fits.
Status CheckPageAddress(const std::string& url);
// The web address most likely meant by one typed without a scheme ("example.org" gives
// "https://example.org"); empty when there is no such suggestion.
std::string SuggestedPageAddress(const std::string& url);
