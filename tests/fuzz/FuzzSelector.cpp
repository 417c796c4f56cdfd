#include "FuzzTarget.h"

#include "extract/ComparedText.h"

#include <string>

// Any text as a CSS selector and as an XPath expression: refused with a reason or evaluated in bounds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* page = "<ul id=a><li class='x y'>1</li><li>2</li></ul><p>3</p>";
    (void)ValidateTextOptions({.select = text});
    (void)ComparedText(page, {}, {.select = text});
    (void)ComparedText(page, {}, {.xpath = text});
    return 0;
}
