#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>

// An address split into the parts a download needs.
struct CrackedUrl
{
    std::string scheme; // "http" or "https", lowercase
    std::string host; // as written in the address (an IPv6 literal keeps its brackets)
    uint16_t port = 0; // the explicit port, else the scheme's default
    // Everything from the first slash after host and port to the end, query and fragment included;
    // "/" when the address has no path.
    std::string path;
};

// Splits an http or https address; BadInput, with the reason, when the address is rejected.
Result<CrackedUrl> CrackUrl(const std::string& url);

// Whether the address starts with "http://" or "https://" (any letter case): the only addresses a page
// or a message we write may make a link of.
bool HasWebScheme(const std::string& url);
