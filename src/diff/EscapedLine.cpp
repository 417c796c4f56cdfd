#include "diff/EscapedLine.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kSpace = "&nbsp;";
constexpr std::string_view kTab = "&nbsp;&nbsp;&nbsp;&nbsp;";
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

char* PutEscaped(char c, char* out)
{
    switch (c) {
    case '<':
        return Put("&lt;", out);
    case '>':
        return Put("&gt;", out);
    case '&':
        return Put("&amp;", out);
    default:
        *out = c;
        return out + 1;
    }
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

// How many bytes from the start of the block at text need no escaping, up to the block's size, after
// copying the whole block to out. The caller guarantees a block's worth of input and of room.
#if defined(__SSE2__)
constexpr std::size_t kBlock = 16;

std::size_t CopyPlainBlock(const char* text, char* out)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    const __m128i markup = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>'))),
        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')));
    const unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(markup));
    return marks ? static_cast<std::size_t>(std::countr_zero(marks)) : kBlock;
}
#else
constexpr std::size_t kBlock = 8;

std::size_t CopyPlainBlock(const char* text, char* out)
{
    std::uint64_t word;
    std::memcpy(&word, text, 8);
    std::memcpy(out, &word, 8);
    if constexpr (std::endian::native != std::endian::little) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            if (text[k] == '<' || text[k] == '>' || text[k] == '&')
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
    return kTab.size() * leading + kLongestEntity * (text.size() - leading);
}

char* WriteEscapedLine(std::string_view text, char* out)
{
    if (text.empty())
        return Put(kSpace, out);
    const std::size_t leading = LeadingBlanks(text);
    for (std::size_t k = 0; k < leading; ++k)
        out = Put(text[k] == ' ' ? kSpace : kTab, out);
    // A block at a time: copy it whole, then keep the bytes before the first one that needs escaping.
    // The room for kLongestEntity bytes per input byte always holds a whole block.
    std::size_t k = leading;
    while (k + kBlock <= text.size()) {
        const std::size_t plain = CopyPlainBlock(text.data() + k, out);
        out += plain;
        k += plain;
        if (plain < kBlock)
            out = PutEscaped(text[k++], out);
    }
    while (k < text.size())
        out = PutEscaped(text[k++], out);
    return out;
}
