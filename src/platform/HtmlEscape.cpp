#include "platform/HtmlEscape.h"

void AppendHtmlEscaped(std::string& out, std::string_view text, bool quotes)
{
    out.reserve(out.size() + text.size());
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += quotes ? "&quot;" : "\"";
            break;
        case '\'':
            out += quotes ? "&#39;" : "'";
            break;
        default:
            out += c;
        }
    }
}
