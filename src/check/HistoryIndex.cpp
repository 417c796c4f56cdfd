#include "check/HistoryIndex.h"

#include <charconv>

namespace {

constexpr std::string_view kHeader = "sitevigil-history 1";

std::string Escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line, size_t most)
{
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < most) {
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            break;
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

template <class T> bool Number(std::string_view text, T& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

void AppendCopy(std::string& out, const char* name, const CopyInfo& copy)
{
    if (copy.known)
        out += std::string(name) + '\t' + std::to_string(copy.time) + '\t' + Escape(copy.reason) + '\n';
}

Error NotAnIndex(const std::string& why)
{
    return MakeError(ErrorKind::BadInput, "the history index is damaged: " + why);
}

} // namespace

uint64_t HistoryIndex::StoredBytes() const
{
    uint64_t total = 0;
    for (const HistoryVersion& version : versions)
        total += version.stored;
    return total;
}

std::string BoundedReason(std::string_view reason)
{
    if (reason.size() <= kMaxReason)
        return std::string(reason);
    size_t end = kMaxReason;
    // Back to the start of a UTF-8 character, so the cut leaves whole characters.
    while (end > 0 && (static_cast<unsigned char>(reason[end]) & 0xC0) == 0x80)
        --end;
    return std::string(reason.substr(0, end));
}

std::string FormatHistoryIndex(const HistoryIndex& index)
{
    std::string out(kHeader);
    out += "\nnext\t" + std::to_string(index.next) + '\n';
    AppendCopy(out, "current", index.current);
    AppendCopy(out, "previous", index.previous);
    for (const HistoryVersion& v : index.versions) {
        out += "version\t" + std::to_string(v.number) + '\t' + std::to_string(v.time) + '\t' + std::to_string(v.size)
            + '\t' + std::to_string(v.stored) + '\t' + Escape(v.reason) + '\n';
    }
    return out;
}

Result<HistoryIndex> ParseHistoryIndex(std::string_view text)
{
    if (text.size() > kMaxIndexBytes)
        return NotAnIndex("it is larger than an index can be");
    if (text.substr(0, kHeader.size()) != kHeader || (text.size() > kHeader.size() && text[kHeader.size()] != '\n'))
        return NotAnIndex("it does not begin as an index does");
    HistoryIndex index;
    bool sawNext = false;
    size_t from = text.find('\n');
    while (from != std::string_view::npos && from + 1 < text.size()) {
        const size_t end = text.find('\n', from + 1);
        // A last line without its line end was cut short: a whole index ends every line.
        if (end == std::string_view::npos)
            return NotAnIndex("its last line is cut short");
        const std::string_view line = text.substr(from + 1, end - from - 1);
        from = end;
        const std::vector<std::string_view> f = Fields(line, 6);
        if (f[0] == "next") {
            if (f.size() != 2 || !Number(f[1], index.next) || index.next < 1)
                return NotAnIndex("its next number is not one");
            sawNext = true;
        } else if (f[0] == "current" || f[0] == "previous") {
            CopyInfo& copy = f[0] == "current" ? index.current : index.previous;
            if (f.size() < 2 || !Number(f[1], copy.time))
                return NotAnIndex("a copy's time is not a number");
            copy.known = true;
            copy.reason = f.size() > 2 ? BoundedReason(Unescape(f[2])) : std::string();
        } else if (f[0] == "version") {
            HistoryVersion v;
            if (f.size() < 5 || !Number(f[1], v.number) || !Number(f[2], v.time) || !Number(f[3], v.size)
                || !Number(f[4], v.stored))
                return NotAnIndex("a version line is malformed");
            if (v.number < 1 || (!index.versions.empty() && v.number <= index.versions.back().number))
                return NotAnIndex("its version numbers are out of order");
            if (index.versions.size() >= kMaxIndexVersions)
                return NotAnIndex("it lists too many versions");
            v.reason = f.size() > 5 ? BoundedReason(Unescape(f[5])) : std::string();
            index.versions.push_back(std::move(v));
        }
    }
    if (!sawNext)
        return NotAnIndex("its next number is missing");
    if (!index.versions.empty() && index.versions.back().number >= index.next)
        index.next = index.versions.back().number + 1;
    return index;
}
