#include "FuzzSettings.h"
#include "FuzzTarget.h"

#include "model/Archive.h"
#include "model/SiteVigilDoc.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UseScratchSettings();
    CSiteVigilDoc doc;
    CArchiveReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    doc.Serialize(reader);
    return 0;
}
