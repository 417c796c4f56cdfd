#include "FuzzTarget.h"

#include "platform/BookmarkLinks.h"
#include "platform/HtmlTitle.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    (void)ExtractHtmlTitle(html);
    (void)ExtractBookmarkLinks(html);
    return 0;
}
