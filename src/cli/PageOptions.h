#pragma once

#include "cli/CliArgs.h"
#include "model/UrlRecord.h"

#include <string>
#include <vector>

// The watches by the names the command line gives them (--watch, show, list --json), in the order
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

// The options that say what a page is and what it watches, shared by add and edit.
class CPageOptions
{
public:
    // forEdit: the options of edit (--url, --save) instead of those of add. False, with the reason in
    // error, for an unknown option or a missing value.
    bool Parse(const std::vector<std::string>& args, bool forEdit, std::string& error);
    const std::vector<std::string>& Positional() const { return m_args.Positional(); }

    // Sets the record from the options given; the others leave it alone. Returns the reason when the
    // result would not be a page that can be checked (an address that is not http or https, an empty
    // name, a text watch without a text, a text without a text watch); the record may then be half
    // changed, so work on a copy.
    std::string Apply(Curl& record) const;

    // Whether the address can be watched; otherwise the reason, with a suggestion where one fits.
    static std::string CheckAddress(const std::string& url);

private:
    CCliArgs m_args;
};
