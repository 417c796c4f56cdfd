#pragma once

#include <cstdint>
#include <string_view>

// Small readers for the parts of a response head the engine acts on.
namespace HttpHeaders {

// Authentication schemes a server or proxy may offer, as bits.
enum AuthScheme : unsigned
{
    kAuthNone = 0,
    kAuthBasic = 1u << 0,
    kAuthDigest = 1u << 1,
    kAuthNtlm = 1u << 2,
    kAuthNegotiate = 1u << 3,
    kAuthPassport = 1u << 4,
};

// Status code of a line such as "HTTP/1.1 404 Not Found"; -1 when the line carries none.
int ParseStatusLine(std::string_view line);

// The text without the blanks, tabs and line ends around it.
std::string_view Trim(std::string_view text);

// Splits "Name: value" (without the line end); false for a line that is not a header.
bool SplitHeader(std::string_view line, std::string_view& name, std::string_view& value);
bool NameEquals(std::string_view name, std::string_view expected);

// Schemes named by one WWW-Authenticate or Proxy-Authenticate value, which may hold several
// challenges ("Digest realm=\"a\", nonce=\"b\", Basic realm=\"a\"").
unsigned OfferedSchemes(std::string_view value);

// The scheme to answer with, first match wins: Negotiate, NTLM, Digest. Basic is never chosen, so a
// server that offers only Basic never receives the password. Passport cannot be answered here and is
// passed over. kAuthNone when nothing fits.
AuthScheme ChooseScheme(unsigned offered);

// Reads a Last-Modified value. False when it cannot be read; a date before 1900 reads as 0 (not set).
bool ParseLastModified(std::string_view value, int64_t& seconds);

// Reads a Retry-After value at the time now (seconds since 1970): the seconds to wait, never below 0
// (a date in the past means now) and at most maxWait. False when it is neither a number nor a date.
bool ParseRetryAfter(std::string_view value, int64_t now, int64_t maxWait, int64_t& wait);

// Whether a validator (an ETag or a Last-Modified value) may be kept and sent back: not empty, at
// most kMaxValidatorSize bytes, no control characters (a line break would split the request).
constexpr size_t kMaxValidatorSize = 512;
bool IsAcceptableValidator(std::string_view value);

} // namespace HttpHeaders
