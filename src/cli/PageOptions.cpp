#include "cli/PageOptions.h"

#include "model/UrlRecord.h"

namespace {

// Sets the watch flag named on the command line; false for an unknown name.
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

} // namespace

bool CPageOptions::Parse(const std::vector<std::string>& args, bool forEdit, std::string& error)
{
    if (forEdit)
        return m_args.Parse(args,
                            {{"name", true},
                             {"url", true},
                             {"watch", true},
                             {"search", true},
                             {"start", true},
                             {"end", true},
                             {"save", false},
                             {"no-save", false}},
                            error);
    return m_args.Parse(
        args, {{"name", true}, {"watch", true}, {"search", true}, {"start", true}, {"end", true}, {"no-save", false}},
        error);
}

std::string CPageOptions::CheckAddress(const std::string& url)
{
    std::string error;
    if (Curl::IsWatchableURL(url, &error))
        return {};
    std::string reason = "cannot watch \"" + url + "\": " + error;
    // "example.org" is most likely meant as a web address.
    if (url.find("://") == std::string::npos && Curl::IsWatchableURL("https://" + url))
        reason += "; did you mean https://" + url + "?";
    return reason;
}

std::string CPageOptions::Apply(Curl& record) const
{
    if (m_args.Has("url")) {
        record.m_strURL = m_args.Value("url");
        if (std::string reason = CheckAddress(record.m_strURL); !reason.empty())
            return reason;
    }
    if (m_args.Has("name")) {
        record.m_strName = m_args.Value("name");
        if (record.m_strName.find_first_not_of(" \t") == std::string::npos)
            return "a page needs a name that is not empty";
    }
    if (m_args.Has("watch")) {
        // The watches given replace the page's set.
        for (const WatchName& known : kWatchNames)
            record.*known.flag = false;
        for (const std::string& watch : m_args.Values("watch")) {
            if (!SetWatch(record, watch))
                return "unknown watch \"" + watch + "\" (content, date, unreachable, reachable, size, text or notext)";
        }
    }
    if (m_args.Has("search"))
        record.m_strSearchText = m_args.Value("search");
    const bool textWatched = record.m_bTextSearch || record.m_bTextNotPresent;
    if (textWatched && record.m_strSearchText.empty())
        return "--watch text and --watch notext need --search TEXT";
    if (m_args.Has("search") && !textWatched)
        return "--search needs --watch text or --watch notext, or it is never looked for";
    // An empty limit text means no limit: the page is watched from its start or to its end.
    if (m_args.Has("start")) {
        record.m_strStartText = m_args.Value("start");
        record.m_bFromStart = record.m_strStartText.empty();
    }
    if (m_args.Has("end")) {
        record.m_strEndText = m_args.Value("end");
        record.m_bToEnd = record.m_strEndText.empty();
    }
    if (m_args.Has("save"))
        record.m_bSavePage = true;
    if (m_args.Has("no-save"))
        record.m_bSavePage = false;
    return {};
}
