#include "FuzzTarget.h"

#include "notify/SmtpReply.h"

#include <string>
#include <string_view>

// The first byte picks the expected code; the rest is what the server sent.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int expected = 200 + data[0] % 160;
    const std::string_view received(reinterpret_cast<const char*>(data + 1), size - 1);
    for (size_t end = 0; end <= received.size(); ++end) {
        const std::string_view part = received.substr(0, end);
        if (SmtpReply::IsComplete(part, "\r\n")) {
            int code = 0;
            std::string text;
            SmtpReply::FindCode(part.substr(0, part.size() - 2), "\r\n", expected, code, text);
            break;
        }
    }
    return 0;
}
