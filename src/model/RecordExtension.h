#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class CArchiveReader;
class CArchiveWriter;

// The extension block that follows a record's fixed fields in files of version 1.1 and later: a 32-bit
// count, then that many entries of two archive texts, an option's name and its value as UTF-8 text.
// Options added later need no new layout, and entries of a newer version are carried along unchanged.

struct ExtensionEntry
{
    std::string name;
    std::string value;

    bool operator==(const ExtensionEntry&) const = default;
};

// Whether a file with this header stores an extension block after each record's fixed fields.
bool HasExtensionBlock(int major, int minor);

// Whether the entries can be stored (every text's length and the count fit 32 bits).
bool FitsExtensionBlock(const std::vector<ExtensionEntry>& entries);
// Writes the count and the entries. False, with nothing written, when they do not fit.
bool WriteExtensionBlock(CArchiveWriter& archive, const std::vector<ExtensionEntry>& entries);
// Reads a block into entries (replacing them). False at the end of the data or when the count cannot
// be right for the bytes left.
bool ReadExtensionBlock(CArchiveReader& archive, std::vector<ExtensionEntry>& entries);

// Option values as the block stores them: texts as they are, lists one item per line, numbers in
// decimal, yes/no as 1/0, named choices by the name their OptionName gives. Decoding returns false,
// with the value untouched, for a text that is not such a value.
std::string EncodeOptionValue(const std::string& value);
std::string EncodeOptionValue(const std::vector<std::string>& items);
std::string EncodeOptionValue(int64_t number);
std::string EncodeOptionValue(bool flag);
bool DecodeOptionValue(std::string_view text, std::string& value);
bool DecodeOptionValue(std::string_view text, std::vector<std::string>& items);
bool DecodeOptionValue(std::string_view text, int64_t& number);
bool DecodeOptionValue(std::string_view text, int32_t& number);
bool DecodeOptionValue(std::string_view text, bool& flag);

template <class Enum>
requires std::is_enum_v<Enum> std::string EncodeOptionValue(Enum value)
{
    return std::string(OptionName(value));
}
inline std::string EncodeOptionValue(int32_t number)
{
    return EncodeOptionValue(static_cast<int64_t>(number));
}

template <class Enum>
requires std::is_enum_v<Enum>
bool DecodeOptionValue(std::string_view text, Enum& value)
{
    return ParseOption(text, value);
}
