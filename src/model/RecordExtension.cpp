#include "model/RecordExtension.h"

#include "model/Archive.h"

#include <algorithm>
#include <charconv>
#include <climits>

bool HasExtensionBlock(int major, int minor)
{
    return major > 1 || (major == 1 && minor >= 1);
}

bool FitsExtensionBlock(const std::vector<ExtensionEntry>& entries)
{
    if (entries.size() > UINT32_MAX)
        return false;
    for (const ExtensionEntry& entry : entries) {
        if (entry.name.size() > UINT32_MAX || entry.value.size() > UINT32_MAX)
            return false;
    }
    return true;
}

bool WriteExtensionBlock(CArchiveWriter& archive, const std::vector<ExtensionEntry>& entries)
{
    if (!FitsExtensionBlock(entries))
        return false;
    archive.WriteUInt32(static_cast<uint32_t>(entries.size()));
    for (const ExtensionEntry& entry : entries) {
        archive.WriteString(entry.name);
        archive.WriteString(entry.value);
    }
    return true;
}

bool ReadExtensionBlock(CArchiveReader& archive, std::vector<ExtensionEntry>& entries)
{
    uint32_t count = 0;
    if (!archive.ReadUInt32(count))
        return false;
    // Every entry takes at least two bytes (two empty texts): a larger count is not a block of ours,
    // and must not make us reserve memory for it.
    if (count > archive.Remaining() / 2)
        return false;
    std::vector<ExtensionEntry> read(count);
    for (ExtensionEntry& entry : read) {
        if (!archive.ReadString(entry.name) || !archive.ReadString(entry.value))
            return false;
    }
    entries = std::move(read);
    return true;
}

std::string EncodeOptionValue(const std::string& value)
{
    return value;
}

std::string EncodeOptionValue(const std::vector<std::string>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += items[i];
    }
    return text;
}

std::string EncodeOptionValue(int64_t number)
{
    return std::to_string(number);
}

std::string EncodeOptionValue(bool flag)
{
    return flag ? "1" : "0";
}

bool DecodeOptionValue(std::string_view text, std::string& value)
{
    value.assign(text);
    return true;
}

bool DecodeOptionValue(std::string_view text, std::vector<std::string>& items)
{
    // An empty value is the empty list, not a list of one empty item.
    std::vector<std::string> read;
    size_t from = 0;
    while (from < text.size()) {
        const size_t end = std::min(text.find('\n', from), text.size());
        read.emplace_back(text.substr(from, end - from));
        from = end + 1;
    }
    items = std::move(read);
    return true;
}

bool DecodeOptionValue(std::string_view text, int64_t& number)
{
    int64_t read = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return false;
    number = read;
    return true;
}

bool DecodeOptionValue(std::string_view text, int32_t& number)
{
    int64_t wide = 0;
    if (!DecodeOptionValue(text, wide) || wide < INT32_MIN || wide > INT32_MAX)
        return false;
    number = static_cast<int32_t>(wide);
    return true;
}

bool DecodeOptionValue(std::string_view text, bool& flag)
{
    if (text != "0" && text != "1")
        return false;
    flag = text == "1";
    return true;
}
