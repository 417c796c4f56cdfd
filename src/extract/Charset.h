#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

// The character encoding of a downloaded page, decided as a browser decides it: a byte-order mark
// first, then the charset of the Content-Type header, then a <meta> declaration near the top of the
// page. A page that declares nothing is UTF-8 when its bytes are valid UTF-8, else windows-1252 (the
// encoding of the legacy Western pages that never declared one).
struct PageCharset
{
    std::string name; // canonical lower-case label: "utf-8", "windows-1252", "utf-16le", "iso-8859-2"...
    std::size_t bomLength = 0; // bytes of the byte-order mark to skip
};

// contentType is the Content-Type header value, empty when unknown.
PageCharset DetectCharset(std::string_view body, std::string_view contentType);

// The charset parameter of a Content-Type value ("text/html; charset=ISO-8859-1"), unquoted; empty when none.
std::string CharsetParameter(std::string_view contentType);

// The label as a canonical name, following the aliases browsers accept ("latin1", "us-ascii" and
// "iso-8859-1" all mean windows-1252); empty for a label no converter knows.
std::string CanonicalCharset(std::string_view label);

// The page's bytes (after the byte-order mark) as UTF-8: body itself when its bytes already are valid
// UTF-8 (most pages), else the text decoded into storage. Bytes the encoding cannot decode become
// U+FFFD, so a damaged page still gives text. Fails only for an encoding the system cannot convert.
Result<std::string_view> DecodeToUtf8(std::string_view body, const PageCharset& charset, std::string& storage);
