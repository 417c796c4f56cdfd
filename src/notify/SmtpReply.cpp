#include "notify/SmtpReply.h"

#include <cstdlib>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool SmtpReply::IsComplete(std::string_view received, std::string_view terminator)
{
    const size_t tlen = terminator.size();
    if (received.size() < tlen || received.substr(received.size() - tlen) != terminator)
        return false;
    const std::string_view text = received.substr(0, received.size() - tlen);
    const size_t previous = tlen ? text.rfind(terminator) : std::string_view::npos;
    const std::string_view lastLine = previous == std::string_view::npos ? text : text.substr(previous + tlen);
    const bool continuation = lastLine.size() >= 4 && IsDigit(lastLine[0]) && IsDigit(lastLine[1])
        && IsDigit(lastLine[2]) && lastLine[3] == '-';
    return !continuation;
}

bool SmtpReply::FindCode(std::string_view reply, std::string_view terminator, int expectedCode, int& code,
                         std::string& text)
{
    const size_t tlen = terminator.size();
    size_t lineStart = 0;
    for (;;) {
        const std::string digits(reply.substr(lineStart, 3));
        code = static_cast<int>(std::strtol(digits.c_str(), nullptr, 10));
        text = reply.substr(lineStart);
        if (code == expectedCode)
            return true;
        const size_t next = tlen ? reply.find(terminator, lineStart) : std::string_view::npos;
        if (next == std::string_view::npos)
            return false;
        lineStart = next + tlen;
    }
}
