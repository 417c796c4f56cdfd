#include "FuzzTarget.h"

#include "extract/ComparedText.h"

#include <string_view>

// The page's text, whole and through a selection that matches nearly every element.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    (void)ComparedText(page, {}, {});
    (void)ComparedText(page, "text/html; charset=iso-8859-2", {.select = "div > *, td:nth-child(2n+1)"});
    return 0;
}
