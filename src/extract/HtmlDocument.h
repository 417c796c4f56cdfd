#pragma once

#include "platform/Error.h"

#include <memory>
#include <string_view>

struct _xmlDoc;

// A page parsed into a tree by libxml2's HTML parser: the tree the visible text is read from and
// selections are evaluated on. Parsing never fails on broken markup (the parser recovers as browsers
// do); it refuses only pages past the size bounds of ExtractLimits.
class CHtmlDocument
{
public:
    // utf8 is the page already converted to UTF-8 (see DecodeToUtf8); any declaration in it is ignored.
    static Result<CHtmlDocument> Parse(std::string_view utf8);

    _xmlDoc* Get() const { return m_doc.get(); }

private:
    struct Free
    {
        void operator()(_xmlDoc* doc) const;
    };
    std::unique_ptr<_xmlDoc, Free> m_doc;
};

// Makes libxml2 ready for use from any thread; called by everything in this folder that uses it.
void InitHtmlLibrary();

// Refuses a page past the size bounds of ExtractLimits, before any parser sees it.
Status CheckHtmlBounds(std::string_view utf8);

// How the parser reads every page: recovering from broken markup as browsers do, silent, offline, the
// page taken as UTF-8 whatever it declares.
int HtmlParseOptions();
