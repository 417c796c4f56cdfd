#include "extract/HtmlDocument.h"

#include "extract/ExtractLimits.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <cstring>
#include <mutex>

namespace {

// libxml2 writes some messages itself unless told where they go; a page's faults are no news.
void Quiet(void*, const char*, ...) { }

} // namespace

void InitHtmlLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
    xmlSetGenericErrorFunc(nullptr, Quiet); // per thread
}

void CHtmlDocument::Free::operator()(_xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

Status CheckHtmlBounds(std::string_view utf8)
{
    if (utf8.size() > ExtractLimits::kMaxHtmlBytes)
        return MakeError(ErrorKind::BadInput,
                         "Page too large to compare as text (over " + std::to_string(ExtractLimits::kMaxHtmlBytes >> 20)
                             + " MB)");
    // memchr leaps over the text between tags many bytes at a time.
    std::size_t tags = 0;
    const char* const end = utf8.data() + utf8.size();
    for (const char* at = utf8.data(); at != end; ++at) {
        if (!(at = static_cast<const char*>(std::memchr(at, '<', end - at))))
            break;
        if (++tags > ExtractLimits::kMaxTags)
            return MakeError(ErrorKind::BadInput, "Page has too many tags to compare as text");
    }
    return {};
}

int HtmlParseOptions()
{
    return HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC
        | HTML_PARSE_NODEFDTD | HTML_PARSE_COMPACT;
}

Result<CHtmlDocument> CHtmlDocument::Parse(std::string_view utf8)
{
    if (Status bounded = CheckHtmlBounds(utf8); !bounded)
        return bounded.error();
    InitHtmlLibrary();
    const int options = HtmlParseOptions();
    // An empty buffer gives no document at all; an empty page is an empty tree.
    const std::string_view input = utf8.empty() ? std::string_view("<html></html>") : utf8;
    htmlDocPtr doc = htmlReadMemory(input.data(), static_cast<int>(input.size()), nullptr, "UTF-8", options);
    if (!doc)
        doc = htmlReadMemory("<html></html>", 13, nullptr, "UTF-8", options);
    if (!doc)
        return MakeError(ErrorKind::Internal, "The HTML parser could not make a document.");
    CHtmlDocument result;
    result.m_doc.reset(doc);
    return result;
}
