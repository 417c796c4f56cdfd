#include "FuzzTarget.h"

#include "diff/DiffReport.h"
#include "diff/LineFile.h"

#include <string_view>

namespace {

void AddLines(CLineFile& file, std::string_view text)
{
    while (!text.empty()) {
        const size_t end = text.find('\n');
        file.AddLine(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

} // namespace

// The old and the new version, parted by the first zero byte.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    CLineFile oldFile;
    CLineFile newFile;
    AddLines(oldFile, input.substr(0, split));
    if (split != std::string_view::npos)
        AddLines(newFile, input.substr(split + 1));
    CLineFile oldOut;
    CLineFile newOut;
    CDiffReport::Compare(oldFile, newFile, oldOut, newOut);
    CDiffReport report;
    (void)report.BuildHtml(oldOut, newOut);
    return 0;
}
