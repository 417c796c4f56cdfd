#include "check/Checksum.h"

#include <zlib.h>

uint32_t TextChecksum(std::string_view text)
{
    // crc32_z takes a size_t length, so pages beyond 4 GB would still be summed whole.
    return static_cast<uint32_t>(
        crc32_z(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<z_size_t>(text.size())));
}
