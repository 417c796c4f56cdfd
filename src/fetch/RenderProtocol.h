#pragma once

#include "fetch/FetchOutcome.h"
#include "platform/Error.h"

#include <cstdint>
#include <string>

// The pipe between a front end without Qt and the render helper (sitevigil-render). Each message is a
// frame: a 4-byte little-endian length, then that many bytes. A request asks for one page; the helper
// answers each request once, tagged with its id, in the order the renders end.

// One page to render.
struct RenderRequest
{
    uint32_t id = 0;
    std::string url;
    // How long the network must have been quiet after the load before the page counts as settled.
    uint32_t waitMs = 2000;
    // The whole render, load and settling included; past it the render is cancelled as "Timed out".
    uint32_t limitMs = 300000;
    // The page's renderer process may grow to this many MB before it is ended as "Page crashed"; 0
    // sets no ceiling.
    uint32_t memoryLimitMB = 0;
    // The page's site credentials (empty when the page has none) and the proxy's.
    std::string user;
    std::string password;
    std::string proxyUser;
    std::string proxyPassword;
};

// What a render found: the document as the scripts left it, or why there is none.
struct RenderAnswer
{
    uint32_t id = 0;
    FetchFailure failure = FetchFailure::None;
    // The main document's HTTP status; 0 when none arrived.
    int httpStatus = 0;
    std::string finalUrl;
    std::string html;
    // The engine's own words for a failed load.
    std::string detail;
};

namespace RenderPipe {
// A request never needs more; an answer carries at most a page the engine would take.
inline constexpr size_t kMaxRequestSize = 1024 * 1024;
inline constexpr size_t kMaxAnswerSize = 64u * 1024 * 1024 + 1024 * 1024;

std::string EncodeRequest(const RenderRequest& request);
Result<RenderRequest> DecodeRequest(const std::string& payload);
std::string EncodeAnswer(const RenderAnswer& answer);
Result<RenderAnswer> DecodeAnswer(const std::string& payload);

// Writes one frame whole (retrying short writes). The descriptor is blocking.
Status WriteFrame(int fd, const std::string& payload);
// Reads one frame; a frame longer than maxSize is refused without reading it, since the peer is then
// broken or hostile. End of file before a whole frame is a NotFound error.
Result<std::string> ReadFrame(int fd, size_t maxSize);

// The answer as the engine's outcome: a whole document is a complete 200 page.
FetchOutcome ToOutcome(RenderAnswer answer);
} // namespace RenderPipe
