#include "platform/UrlCracker.h"

#include <curl/curl.h>

#include <strings.h>

#include <charconv>
#include <cstring>
#include <memory>

namespace {

// Host names longer than this are rejected, as the system's own parser rejects them.
constexpr size_t kMaxHostLength = 255;

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// One part of the parsed address; "" when the part is absent.
bool GetPart(CURLU* url, CURLUPart part, unsigned flags, std::string& out, bool& present)
{
    char* text = nullptr;
    const CURLUcode rc = curl_url_get(url, part, &text, flags);
    present = rc == CURLUE_OK;
    if (present) {
        out = text;
        curl_free(text);
        return true;
    }
    out.clear();
    return rc == CURLUE_NO_QUERY || rc == CURLUE_NO_FRAGMENT || rc == CURLUE_NO_PORT;
}

Error Rejected(const std::string& reason)
{
    return MakeError(ErrorKind::BadInput, reason);
}

} // namespace

Result<CrackedUrl> CrackUrl(const std::string& url)
{
    std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
    if (!handle)
        return MakeError(ErrorKind::Internal, "out of memory");

    // Keep the path as written ("/a/../b" is asked for as such); do not guess a missing scheme.
    const CURLUcode rc = curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS);
    if (rc != CURLUE_OK)
        return Rejected("not a valid address (" + std::string(curl_url_strerror(rc)) + ")");

    CrackedUrl result;
    bool present = false;
    GetPart(handle.get(), CURLUPART_SCHEME, 0, result.scheme, present);
    if (result.scheme != "http" && result.scheme != "https")
        return Rejected("only http:// and https:// addresses can be watched");

    // The parser reads "http:///name" as host "name"; the address itself names no host.
    const size_t authority = url.find("://");
    if (authority != std::string::npos && url.compare(authority + 3, 1, "/") == 0)
        return Rejected("the address has no host name");
    if (!GetPart(handle.get(), CURLUPART_HOST, 0, result.host, present) || result.host.empty())
        return Rejected("the address has no host name");
    if (result.host.size() > kMaxHostLength)
        return Rejected("the host name is too long");

    std::string port;
    if (!GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, port, present) || !present)
        return Rejected("the address has no port");
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 0xFFFF)
        return Rejected("the port is not valid");
    result.port = static_cast<uint16_t>(value);

    std::string part;
    if (!GetPart(handle.get(), CURLUPART_PATH, 0, result.path, present))
        return Rejected("the address has no path");
    if (result.path.empty())
        result.path = "/";
    if (!GetPart(handle.get(), CURLUPART_QUERY, 0, part, present))
        return Rejected("the query cannot be read");
    if (present)
        result.path += "?" + part;
    if (!GetPart(handle.get(), CURLUPART_FRAGMENT, 0, part, present))
        return Rejected("the fragment cannot be read");
    if (present)
        result.path += "#" + part;

    return result;
}

bool HasWebScheme(const std::string& url)
{
    for (const char* scheme : {"http://", "https://"}) {
        const size_t length = std::strlen(scheme);
        if (url.size() >= length && ::strncasecmp(url.c_str(), scheme, length) == 0)
            return true;
    }
    return false;
}
