#include "diff/EscapedLine.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kSpace = "&nbsp;";
constexpr std::string_view kTab = "&nbsp;&nbsp;&nbsp;&nbsp;";
// Lines up to this long get the room of a line of tabs from QuickEscapedLineRoom.
constexpr std::size_t kQuickLine = 256;
// The longest entity a byte after the leading blanks can become.
constexpr std::size_t kLongestEntity = 5;

std::size_t LeadingBlanks(std::string_view text)
{
    std::size_t leading = 0;
    while (leading < text.size() && (text[leading] == ' ' || text[leading] == '\t'))
        ++leading;
    return leading;
}

char* Put(std::string_view piece, char* out)
{
    std::memcpy(out, piece.data(), piece.size());
    return out + piece.size();
}

// Writes the entity of a byte that needs escaping. Eight bytes are stored whatever the entity's
// length; the room for a line holds them.
char* PutEntity(char c, char* out)
{
    static constexpr char kEntities[3][8] = {"&lt;", "&gt;", "&amp;"};
    const int which = c == '<' ? 0 : c == '>' ? 1 : 2;
    std::memcpy(out, kEntities[which], 8);
    return out + (which == 2 ? 5 : 4);
}

#if !defined(__SSE2__)
// 0x80 in the bytes of word that equal c. Above a marked byte other bytes may be marked too, but the
// lowest mark is always right, and that is the one that is used.
std::uint64_t ByteMarks(std::uint64_t word, unsigned char c)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    const std::uint64_t x = word ^ (ones * c);
    return (x - ones) & ~x & (ones * 0x80);
}
#endif

std::uint64_t Load8(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
}

bool IsMarkup(char c)
{
    return c == '<' || c == '>' || c == '&';
}

// Lines are escaped a block of bytes at a time: the block is copied whole, then the bytes before the
// first one that needs escaping are kept.
#if defined(__SSE2__)
using Block = __m128i;
constexpr std::size_t kBlock = 16;
// The shortest line whose last bytes TailBlock can read.
constexpr std::size_t kTailLine = 8;

Block LoadBlock(const char* bytes)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The n bytes (1 to 8) before end in the low bytes of a word, read with a load that ends at end.
std::uint64_t LastBytes(const char* end, std::size_t n)
{
    return Load8(end - 8) >> (8 * (8 - n));
}

// The bytes from from to end, fewer than a block, padded with zero bytes. They are read with loads
// that end within the line, at least eight bytes long, and shifted into place: a copy through memory
// would stall the wide load that follows it.
Block TailBlock(const char* from, const char* end)
{
    const std::size_t rest = static_cast<std::size_t>(end - from);
    if (rest > 8)
        return _mm_set_epi64x(static_cast<long long>(LastBytes(end, rest - 8)), static_cast<long long>(Load8(from)));
    return _mm_set_epi64x(0, static_cast<long long>(LastBytes(end, rest)));
}

// Stores the block at out; returns how many of its bytes from the first need no escaping.
std::size_t CopyPlain(Block bytes, char* out)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    const __m128i markup = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>'))),
        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')));
    const unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(markup));
    return marks ? static_cast<std::size_t>(std::countr_zero(marks)) : kBlock;
}
#else
using Block = std::uint64_t;
constexpr std::size_t kBlock = 8;
constexpr std::size_t kTailLine = 0;

Block LoadBlock(const char* bytes)
{
    return Load8(bytes);
}

Block TailBlock(const char* from, const char* end)
{
    Block block = 0;
    std::memcpy(&block, from, static_cast<std::size_t>(end - from));
    return block;
}

std::size_t CopyPlain(Block word, char* out)
{
    std::memcpy(out, &word, 8);
    if constexpr (std::endian::native != std::endian::little) {
        char bytes[8];
        std::memcpy(bytes, &word, 8);
        for (std::size_t k = 0; k < kBlock; ++k) {
            if (IsMarkup(bytes[k]))
                return k;
        }
        return kBlock;
    }
    const std::uint64_t marks = ByteMarks(word, '<') | ByteMarks(word, '>') | ByteMarks(word, '&');
    return marks ? static_cast<std::size_t>(std::countr_zero(marks)) / 8 : kBlock;
}
#endif

} // namespace

std::size_t EscapedLineRoom(std::string_view text)
{
    if (text.empty())
        return kSpace.size();
    const std::size_t leading = LeadingBlanks(text);
    // A whole block may be stored past the last byte, and an entity's store is eight bytes wide.
    return kTab.size() * leading + kLongestEntity * (text.size() - leading) + kBlock;
}

std::size_t QuickEscapedLineRoom(std::string_view text)
{
    if (text.size() <= kQuickLine)
        return kTab.size() * text.size() + kBlock;
    return EscapedLineRoom(text);
}

char* WriteEscapedLine(std::string_view text, char* out)
{
    if (text.empty())
        return Put(kSpace, out);
    // Each blank is stored in words of eight bytes; the room for a tab's entities, and the block
    // of room at the end, hold what goes past.
    std::size_t leading = 0;
    for (; leading < text.size(); ++leading) {
        if (text[leading] == ' ') {
            std::memcpy(out, "&nbsp;&n", 8);
            out += kSpace.size();
        } else if (text[leading] == '\t') {
            std::memcpy(out, "&nbsp;&n", 8);
            std::memcpy(out + 8, "bsp;&nbs", 8);
            std::memcpy(out + 16, "p;&nbsp;", 8);
            out += kTab.size();
        } else {
            break;
        }
    }
    // The room for kLongestEntity bytes per input byte always holds a whole block.
    const char* const end = text.data() + text.size();
    const char* in = text.data() + leading;
    while (static_cast<std::size_t>(end - in) >= kBlock) {
        const std::size_t plain = CopyPlain(LoadBlock(in), out);
        out += plain;
        in += plain;
        if (plain < kBlock)
            out = PutEntity(*in++, out);
    }
    if (text.size() < kTailLine) {
        for (; in < end; ++in) {
            if (IsMarkup(*in))
                out = PutEntity(*in, out);
            else
                *out++ = *in;
        }
        return out;
    }
    // The last bytes as one more block; the room holds it whole.
    while (in < end) {
        const std::size_t plain = std::min(CopyPlain(TailBlock(in, end), out), static_cast<std::size_t>(end - in));
        out += plain;
        in += plain;
        if (in < end)
            out = PutEntity(*in++, out);
    }
    return out;
}
