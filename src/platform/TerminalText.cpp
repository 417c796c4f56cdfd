#include "platform/TerminalText.h"

#include "platform/Utf8.h"

#include <cstdio>

std::string TerminalText(std::string_view text, bool keepLineBreaks)
{
    std::string out;
    out.reserve(text.size());
    char escaped[16];
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && !(keepLineBreaks && c == '\n')) || c == 0x7F) {
                std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        char32_t cp = 0;
        const size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) {
            // A stray byte: an 8-bit terminal would take 0x9B as the start of a control sequence.
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
            ++i;
        } else if (cp >= 0x80 && cp < 0xA0) {
            std::snprintf(escaped, sizeof escaped, "\\u{%02X}", static_cast<unsigned>(cp));
            out += escaped;
            i += length;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}
