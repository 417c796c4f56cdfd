#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <string>
#include <string_view>

// Whole-buffer gzip (RFC 1952) through zlib, so that a stored file can also be read with zcat.

// The bytes compressed into one gzip member.
Result<std::string> GzipCompress(std::string_view bytes);
// The bytes of a gzip member. A member that ends early, fails its check or would grow past maxBytes
// is refused (BadInput) rather than handed back in part.
Result<std::string> GzipDecompress(std::string_view gzip, std::size_t maxBytes);
