#include "extract/Charset.h"

#include "extract/MetaCharset.h"
#include "platform/Utf8.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// windows-1252 0x80..0x9F as browsers decode them; the five holes stay the C1 controls.
constexpr std::array<char16_t, 32> kWindows1252High
    = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
       0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
       0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Lower(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Where the run of ASCII bytes (most of a page) that starts at pos ends; read eight bytes at a time.
std::size_t AsciiRunEnd(std::string_view text, std::size_t pos)
{
    for (std::uint64_t word; pos + sizeof word <= text.size(); pos += sizeof word) {
        std::memcpy(&word, text.data() + pos, sizeof word);
        if (word & 0x8080808080808080u)
            break;
    }
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos;
}

bool IsValidUtf8(std::string_view text)
{
    char32_t cp = 0;
    for (std::size_t pos = AsciiRunEnd(text, 0); pos < text.size(); pos = AsciiRunEnd(text, pos)) {
        const std::size_t length = DecodeUtf8(text, pos, cp);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

void RepairUtf8(std::string_view text, std::string& out)
{
    out.reserve(out.size() + text.size());
    char32_t cp = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = AsciiRunEnd(text, pos);
        out.append(text.substr(pos, end - pos));
        if ((pos = end) == text.size())
            break;
        const std::size_t length = DecodeUtf8(text, pos, cp);
        if (length == 0) {
            AppendUtf8(out, kReplacement);
            ++pos;
        } else {
            out.append(text.substr(pos, length));
            pos += length;
        }
    }
}

void DecodeWindows1252(std::string_view text, std::string& out)
{
    out.reserve(out.size() + text.size() + text.size() / 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else if (byte < 0xA0)
            AppendUtf8(out, kWindows1252High[byte - 0x80]);
        else
            AppendUtf8(out, byte);
    }
}

void DecodeUtf16(std::string_view text, bool bigEndian, std::string& out)
{
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(text[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < text.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < text.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
    }
    if (i < text.size())
        AppendUtf8(out, kReplacement);
}

Result<std::string> DecodeWithIconv(std::string_view text, const std::string& name)
{
    iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return MakeError(ErrorKind::BadInput, "The page's character set \"" + name + "\" cannot be converted.");
    std::string out;
    std::string buffer(64 * 1024, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // A byte the encoding does not know, or a sequence cut off at the end.
        AppendUtf8(out, kReplacement);
        if (errno == EINVAL)
            break;
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(cd);
    return out;
}

} // namespace

std::string CharsetParameter(std::string_view contentType)
{
    const std::string lower = Lower(contentType);
    std::size_t pos = lower.find("charset");
    while (pos != std::string::npos) {
        std::size_t at = pos + 7;
        while (at < lower.size() && (lower[at] == ' ' || lower[at] == '\t'))
            ++at;
        if (at < lower.size() && lower[at] == '=') {
            ++at;
            while (at < lower.size() && (lower[at] == ' ' || lower[at] == '\t'))
                ++at;
            std::size_t end = at;
            if (at < lower.size() && (lower[at] == '"' || lower[at] == '\'')) {
                const char quote = lower[at++];
                end = lower.find(quote, at);
                if (end == std::string::npos)
                    end = lower.size();
            } else {
                while (end < lower.size() && lower[end] != ';' && lower[end] != ' ' && lower[end] != '\t')
                    ++end;
            }
            return std::string(Trim(std::string_view(contentType).substr(at, end - at)));
        }
        pos = lower.find("charset", pos + 7);
    }
    return {};
}

std::string CanonicalCharset(std::string_view label)
{
    const std::string name = Lower(Trim(label));
    if (name.empty() || name.size() > 40)
        return {};
    for (const char* alias :
         {"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8"})
        if (name == alias)
            return "utf-8";
    for (const char* alias :
         {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1", "iso88591", "latin1", "l1",
          "us-ascii", "ascii", "ansi_x3.4-1968", "cp819", "ibm819", "iso-ir-100", "csisolatin1"})
        if (name == alias)
            return "windows-1252";
    if (name == "utf-16" || name == "utf-16le")
        return "utf-16le";
    if (name == "utf-16be")
        return "utf-16be";
    for (const char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.' && c != ':')
            return {};
    iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    ::iconv_close(cd);
    return name;
}

PageCharset DetectCharset(std::string_view body, std::string_view contentType)
{
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        return {"utf-8", 3};
    if (body.substr(0, 2) == "\xFF\xFE")
        return {"utf-16le", 2};
    if (body.substr(0, 2) == "\xFE\xFF")
        return {"utf-16be", 2};
    if (std::string fromHeader = CanonicalCharset(CharsetParameter(contentType)); !fromHeader.empty())
        return {fromHeader, 0};
    if (std::string fromMeta = CanonicalCharset(DeclaredMetaCharset(body)); !fromMeta.empty()) {
        // A page whose declaration could be read as ASCII is not UTF-16, whatever it says.
        if (fromMeta.rfind("utf-16", 0) == 0)
            fromMeta = "utf-8";
        return {fromMeta, 0};
    }
    return {IsValidUtf8(body) ? "utf-8" : "windows-1252", 0};
}

Result<std::string_view> DecodeToUtf8(std::string_view body, const PageCharset& charset, std::string& storage)
{
    const std::string_view text = body.substr(std::min(charset.bomLength, body.size()));
    storage.clear();
    if (charset.name == "utf-8" || charset.name.empty()) {
        if (IsValidUtf8(text))
            return text;
        RepairUtf8(text, storage);
    } else if (charset.name == "windows-1252") {
        DecodeWindows1252(text, storage);
    } else if (charset.name == "utf-16le" || charset.name == "utf-16be") {
        DecodeUtf16(text, charset.name == "utf-16be", storage);
    } else {
        auto decoded = DecodeWithIconv(text, charset.name);
        if (!decoded)
            return decoded.error();
        storage = std::move(*decoded);
    }
    return std::string_view(storage);
}
