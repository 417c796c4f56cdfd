#include "model/PageLookup.h"

#include "model/SiteVigilDoc.h"
#include "model/UrlRecord.h"

#include <algorithm>
#include <cctype>
#include <charconv>

int PagePosition(const CSiteVigilDoc& doc, const Curl* record)
{
    const size_t row = doc.RowOf(record);
    return row == CSiteVigilDoc::kNoRow ? 0 : static_cast<int>(row) + 1;
}

std::string PageLabel(const CSiteVigilDoc& doc, const Curl* record)
{
    if (!record->m_strPageID.empty())
        return "@" + record->m_strPageID;
    return "#" + std::to_string(PagePosition(doc, record));
}

Result<Curl*> FindPage(const CSiteVigilDoc& doc, const std::string& page)
{
    std::vector<Curl*> matches;
    unsigned long position = 0;
    const auto [end, ec] = std::from_chars(page.data(), page.data() + page.size(), position);
    const bool isPosition = !page.empty() && ec == std::errc() && end == page.data() + page.size();
    std::string id = page.size() > 1 && page[0] == '@' ? page.substr(1) : std::string();
    std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::tolower(c); });
    unsigned long index = 0;
    for (const auto& record : doc.Records()) {
        ++index;
        if ((isPosition && index == position) || (!id.empty() && record->m_strPageID == id)
            || record->m_strName == page)
            matches.push_back(record.get());
    }
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty())
        return MakeError(ErrorKind::BadInput,
                         "no page \"" + page
                             + "\" (name a page by its id from the list, its position from 1 "
                               "or its exact name)");
    std::string candidates;
    for (const Curl* record : matches) {
        candidates += candidates.empty() ? " " : ", ";
        candidates += PageLabel(doc, record) + " (position " + std::to_string(PagePosition(doc, record)) + ", \""
            + record->m_strName + "\")";
    }
    return MakeError(ErrorKind::BadInput,
                     "\"" + page + "\" could be any of" + candidates + "; name the page by its id");
}

Result<std::vector<Curl*>> FindPages(const CSiteVigilDoc& doc, const std::vector<std::string>& pages, bool allWhenNone)
{
    std::vector<Curl*> found;
    if (pages.empty() && allWhenNone) {
        for (const auto& record : doc.Records())
            found.push_back(record.get());
        return found;
    }
    for (const std::string& page : pages) {
        Result<Curl*> record = FindPage(doc, page);
        if (!record)
            return record.error();
        if (std::find(found.begin(), found.end(), record.value()) == found.end())
            found.push_back(record.value());
    }
    return found;
}
