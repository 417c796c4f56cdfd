#pragma once

#include <cstdint>
#include <string_view>

// SipHash-1-3 of bytes under a key drawn at random once per process. Whoever writes a page cannot
// know the key, so cannot choose lines whose hashes collide and turn each lookup into a scan.
std::uint64_t KeyedHash(std::string_view bytes);

// KeyedHash of the ASCII lower case of bytes, which are all ASCII, without making the lower-cased copy.
std::uint64_t KeyedHashOfAsciiLower(std::string_view bytes);
