#pragma once

#include <cstdint>
#include <string_view>

// CRC-32 as zlib and IEEE 802.3 compute it, over the bytes of the text; the empty text gives 0.
uint32_t TextChecksum(std::string_view text);
