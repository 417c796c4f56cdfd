#include "diff/KeyedHash.h"

#include <bit>
#include <cstring>
#include <random>
#include <sys/random.h>

namespace {

struct Key
{
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;
};

Key DrawKey()
{
    Key key;
    std::uint64_t words[2] = {};
    if (::getrandom(words, sizeof words, 0) != static_cast<ssize_t>(sizeof words)) {
        // No entropy pool to hand (a very early boot or a seccomp jail): fall back to the library's.
        std::random_device device;
        for (std::uint64_t& word : words)
            word = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    key.k0 = words[0];
    key.k1 = words[1];
    return key;
}

const Key& ProcessKey()
{
    static const Key key = DrawKey();
    return key;
}

struct SipState
{
    std::uint64_t v0, v1, v2, v3;

    void Round()
    {
        v0 += v1;
        v1 = std::rotl(v1, 13);
        v1 ^= v0;
        v0 = std::rotl(v0, 32);
        v2 += v3;
        v3 = std::rotl(v3, 16);
        v3 ^= v2;
        v0 += v3;
        v3 = std::rotl(v3, 21);
        v3 ^= v0;
        v2 += v1;
        v1 = std::rotl(v1, 17);
        v1 ^= v2;
        v2 = std::rotl(v2, 32);
    }

    void Absorb(std::uint64_t m)
    {
        v3 ^= m;
        Round();
        v0 ^= m;
    }
};

std::uint64_t LoadWord(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

// The word of eight bytes in memory order read as a little-endian number, as SipHash takes them.
std::uint64_t LoadLittle(std::uint64_t word)
{
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

struct Unchanged
{
    std::uint64_t operator()(std::uint64_t word) const { return word; }
};

// Lower-cases eight ASCII bytes in one word: each byte from 'A' to 'Z' gets 0x20 added. No byte
// carries into the next as long as every byte is below 0x80; the bytes seen are kept, to tell
// whether that held.
struct LowerAscii
{
    std::uint64_t seen = 0;

    std::uint64_t operator()(std::uint64_t word)
    {
        seen |= word;
        const std::uint64_t atLeastA = word + kOnes * (0x80 - 'A');
        const std::uint64_t aboveZ = word + kOnes * (0x80 - 'Z' - 1);
        return word | ((atLeastA & ~aboveZ & (kOnes * 0x80)) >> 2);
    }
    bool AllAscii() const { return (seen & (kOnes * 0x80)) == 0; }
};

// SipHash-1-3 of the bytes that transform makes of each eight-byte word of bytes. A transform works
// byte by byte, so it may see a word in either byte order; the last, partial word is padded with
// zero bytes, which every transform leaves as they are.
template <class Transform> std::uint64_t Hash(std::string_view bytes, Transform& transform)
{
    const Key& key = ProcessKey();
    SipState s{key.k0 ^ 0x736f6d6570736575ull, key.k1 ^ 0x646f72616e646f6dull, key.k0 ^ 0x6c7967656e657261ull,
               key.k1 ^ 0x7465646279746573ull};
    const std::size_t size = bytes.size();
    std::size_t k = 0;
    for (; k + 8 <= size; k += 8)
        s.Absorb(LoadLittle(transform(LoadWord(bytes.data() + k))));
    const std::size_t rest = size - k;
    std::uint64_t tail = 0;
    if (rest > 0 && size >= 8) {
        // The last word of the bytes, shifted so that only the bytes not yet absorbed stay; cheaper
        // than copying a few bytes for every line.
        tail = LoadLittle(LoadWord(bytes.data() + size - 8)) >> (8 * (8 - rest));
    } else {
        for (std::size_t b = 0; b < rest; ++b)
            tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[k + b])) << (8 * b);
    }
    tail = transform(tail);
    s.Absorb(tail | static_cast<std::uint64_t>(size) << 56);
    s.v2 ^= 0xff;
    s.Round();
    s.Round();
    s.Round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

} // namespace

std::uint64_t KeyedHash(std::string_view bytes)
{
    Unchanged unchanged;
    return Hash(bytes, unchanged);
}

std::optional<std::uint64_t> KeyedHashOfAsciiLower(std::string_view bytes)
{
    LowerAscii lower;
    const std::uint64_t hash = Hash(bytes, lower);
    if (!lower.AllAscii())
        return std::nullopt;
    return hash;
}
