#include "FuzzSettings.h"
#include "FuzzTarget.h"

#include "notify/UpdateLog.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UseScratchSettings();
    CUpdateLog log("/nonexistent/");
    if (log.ReadEntries(std::string_view(reinterpret_cast<const char*>(data), size)))
        (void)log.BuildPage(0);
    return 0;
}
