#include "cli/PageDiff.h"

#include "check/PageFiles.h"
#include "diff/UnifiedDiff.h"
#include "model/UrlRecord.h"
#include "platform/TerminalText.h"

#include <sstream>

#include <unistd.h>

std::string NoCopyReason(Curl& page)
{
    // The files are named after the page id; asking for a name here would use up an id that is never
    // saved with the page.
    if (!page.m_strPageID.empty() && ::access(GetSavedPagePath(page).c_str(), F_OK) == 0)
        return {};
    std::string why = "its saved copy is missing";
    if (page.m_nChecks == 0)
        why = "it has not been checked yet";
    else if (page.m_nDownloads == 0)
        why = "it has never been downloaded";
    else if (!page.m_bSavePage)
        why = "its copies are not kept (saving is off for this page)";
    return "\"" + page.m_strName + "\" has no copy to compare: " + why;
}

bool WritePageTextDiff(std::ostream& out, Curl& page, bool terminal)
{
    return WriteTextDiff(out, GetPreviousPagePath(page), GetSavedPagePath(page), terminal);
}

bool WriteTextDiff(std::ostream& out, const std::string& oldPath, const std::string& newPath, bool terminal)
{
    if (!terminal)
        return WriteUnifiedDiff(out, oldPath, newPath);
    std::ostringstream text;
    const bool differ = WriteUnifiedDiff(text, oldPath, newPath);
    out << TerminalText(text.str(), true);
    return differ;
}
