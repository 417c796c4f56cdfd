#include "cli/PageDiff.h"

#include "diff/UnifiedDiff.h"
#include "model/UrlRecord.h"

#include <unistd.h>

std::string TextDiffRefusal(Curl& page)
{
    // The files are named after the page id; asking for a name here would use up an id that is never
    // saved with the page.
    if (!page.m_strPageID.empty() && ::access(page.GetSavedPagePath().c_str(), F_OK) == 0)
        return {};
    if (page.m_strPageID.empty() || page.m_nChecks == 0)
        return "\"" + page.m_strName + "\" has not been checked yet: there are no copies to compare";
    return "there is no copy of \"" + page.m_strName + "\" on disk"
        + (page.m_bSavePage ? std::string() : " (it keeps none; edit it with --save)");
}

bool WritePageTextDiff(std::ostream& out, Curl& page)
{
    return WriteUnifiedDiff(out, page.GetPreviousPagePath(), page.GetSavedPagePath());
}
