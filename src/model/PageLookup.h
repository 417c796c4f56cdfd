#pragma once

#include "platform/Error.h"

#include <string>
#include <vector>

class CSiteVigilDoc;
class Curl;

// How users and scripts name the pages of a list: by id ("@1a"), by 1-based position, or by exact name.

// The one page the text names. BadInput, with the candidates, when it names none or more than one
// (a repeated name, a name that is also a position).
Result<Curl*> FindPage(const CSiteVigilDoc& doc, const std::string& page);
// Every named page, each once, in the order named; no names means every page when allWhenNone.
Result<std::vector<Curl*>> FindPages(const CSiteVigilDoc& doc, const std::vector<std::string>& pages, bool allWhenNone);
// 1-based position of a record in the list; 0 when it is not there.
int PagePosition(const CSiteVigilDoc& doc, const Curl* record);
// How the user names the page without doubt: "@id", or "#position" for a page without an id.
std::string PageLabel(const CSiteVigilDoc& doc, const Curl* record);
