#include "fetch/HttpHeaders.h"

#include <curl/curl.h>

#include <algorithm>
#include <string>

namespace HttpHeaders {

namespace {

// 1900-01-01 00:00:00 UTC in seconds since 1970.
constexpr int64_t kStartOf1900 = -2208988800LL;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

unsigned SchemeBit(std::string_view token)
{
    if (NameEquals(token, "Basic"))
        return kAuthBasic;
    if (NameEquals(token, "Digest"))
        return kAuthDigest;
    if (NameEquals(token, "NTLM"))
        return kAuthNtlm;
    if (NameEquals(token, "Negotiate"))
        return kAuthNegotiate;
    if (NameEquals(token, "Passport1.4"))
        return kAuthPassport;
    return kAuthNone;
}

} // namespace

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

int ParseStatusLine(std::string_view line)
{
    // "HTTP/1.1 200 OK", "HTTP/2 200": the code is the three digits after the first space.
    if (line.substr(0, 5) != "HTTP/")
        return -1;
    const size_t space = line.find(' ');
    if (space == std::string_view::npos || line.size() < space + 4)
        return -1;
    int code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return -1;
        code = code * 10 + (line[i] - '0');
    }
    if (line.size() > space + 4 && !IsSpace(line[space + 4]))
        return -1;
    return code;
}

bool SplitHeader(std::string_view line, std::string_view& name, std::string_view& value)
{
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    name = Trim(line.substr(0, colon));
    value = Trim(line.substr(colon + 1));
    return !name.empty();
}

bool NameEquals(std::string_view name, std::string_view expected)
{
    if (name.size() != expected.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != Lower(expected[i]))
            return false;
    }
    return true;
}

unsigned OfferedSchemes(std::string_view value)
{
    // Challenges and their parameters are separated by commas alike; a scheme is an element whose
    // first token is not followed by '=' (that would make it a parameter). Quoted strings may hold
    // commas of their own.
    unsigned offered = kAuthNone;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= value.size(); ++i) {
        if (i < value.size()) {
            if (value[i] == '\\' && quoted) {
                ++i;
                continue;
            }
            if (value[i] == '"')
                quoted = !quoted;
            if (quoted || value[i] != ',')
                continue;
        }
        std::string_view element = Trim(value.substr(start, i - start));
        start = i + 1;
        size_t end = 0;
        while (end < element.size() && !IsSpace(element[end]) && element[end] != '=')
            ++end;
        if (end == 0)
            continue;
        size_t next = end;
        while (next < element.size() && IsSpace(element[next]))
            ++next;
        if (next < element.size() && element[next] == '=')
            continue;
        offered |= SchemeBit(element.substr(0, end));
    }
    return offered;
}

AuthScheme ChooseScheme(unsigned offered)
{
    for (AuthScheme scheme : {kAuthNegotiate, kAuthNtlm, kAuthDigest}) {
        if (offered & scheme)
            return scheme;
    }
    return kAuthNone;
}

bool ParseLastModified(std::string_view value, int64_t& seconds)
{
    const std::string text(Trim(value));
    if (text.empty())
        return false;
    // curl_getdate reads the three HTTP date forms; it gives -1 for what it cannot read (and reports
    // the one second before 1970 as 0, so -1 is never a real date).
    const time_t parsed = curl_getdate(text.c_str(), nullptr);
    if (parsed == -1)
        return false;
    seconds = static_cast<int64_t>(parsed) < kStartOf1900 ? 0 : static_cast<int64_t>(parsed);
    return true;
}

bool ParseRetryAfter(std::string_view value, int64_t now, int64_t maxWait, int64_t& wait)
{
    const std::string_view text = Trim(value);
    if (text.empty() || text.size() > 64)
        return false;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // A number of any length: anything past the cap is the cap.
        int64_t seconds = 0;
        for (char c : text) {
            seconds = seconds * 10 + (c - '0');
            if (seconds >= maxWait) {
                wait = maxWait;
                return true;
            }
        }
        wait = seconds;
        return true;
    }
    int64_t date = 0;
    if (!ParseLastModified(text, date))
        return false;
    wait = std::clamp<int64_t>(date - now, 0, maxWait);
    return true;
}

bool IsAcceptableValidator(std::string_view value)
{
    if (value.empty() || value.size() > kMaxValidatorSize)
        return false;
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

} // namespace HttpHeaders
