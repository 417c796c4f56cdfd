#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// SipHash-1-3 of bytes under a key drawn at random once per process. Whoever writes a page cannot
// know the key, so cannot choose lines whose hashes collide and turn each lookup into a scan.
std::uint64_t KeyedHash(std::string_view bytes);

// KeyedHash of the lower case of ASCII bytes, without making the lower-cased copy; nothing when a
// byte is not ASCII.
std::optional<std::uint64_t> KeyedHashOfAsciiLower(std::string_view bytes);
