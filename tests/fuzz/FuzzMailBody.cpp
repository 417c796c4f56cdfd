#include "FuzzTarget.h"

#include "notify/MailMessage.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// What SMTP needs of the text after DATA: CR only before LF, no line over its limit, and no line of a
// lone dot before the end-of-data marker.
void CheckSendable(std::string_view text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.size() > CMailBodyPart::kMaxLineLength || line.find_first_of("\r\n") != std::string_view::npos
            || line == ".")
            std::abort();
        start = end + 2;
    }
}

} // namespace

// The whole input is the body; the start of its first line also names the sender (a name is the
// user's own setting, short, where the body carries what pages bring).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CMailMessage message;
    message.m_From = CMailAddress(std::string(input.substr(0, std::min<size_t>(input.find_first_of("\r\n"), 100))),
                                  "a@example.org");
    message.m_strSubject = "Website Changes Detected";
    message.AddRecipientList("b@example.org");
    message.SetBodyText(input);
    message.ChooseEncoding();
    CheckSendable(message.GetBodyText());
    if (message.FindLineBreak().empty())
        CheckSendable(message.BuildHeader(0));
    return 0;
}
