#include "notify/QuotedPrintable.h"

namespace {

constexpr std::size_t kMaxEncodedLine = 76;

void AppendLine(std::string_view line, std::string& out)
{
    static const char hex[] = "0123456789ABCDEF";
    std::size_t column = 0;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const auto c = static_cast<unsigned char>(line[k]);
        const bool last = k + 1 == line.size();
        const bool blank = c == ' ' || c == '\t';
        const bool literal = (c >= 33 && c <= 126 && c != '=') || (blank && !last);
        const std::size_t width = literal ? 1 : 3;
        // A soft break takes a column of its own ('='); the line's last character may use it.
        if (column + width > (last ? kMaxEncodedLine : kMaxEncodedLine - 1)) {
            out += "=\r\n";
            column = 0;
        }
        if (literal) {
            out += static_cast<char>(c);
        } else {
            out += '=';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        column += width;
    }
}

} // namespace

std::string EncodeQuotedPrintable(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        AppendLine(text.substr(0, end), out);
        if (end == std::string_view::npos)
            break;
        out += "\r\n";
        text.remove_prefix(end + 2);
    }
    return out;
}
