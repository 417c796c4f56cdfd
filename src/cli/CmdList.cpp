#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "cli/CliJson.h"
#include "platform/TerminalText.h"

#include <ostream>

namespace {

// The list shows the change text with its column padding; here it stands alone.
std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Tabs and line breaks inside a text would break the one-line-per-page layout; other control
// characters are shown escaped rather than handed to the terminal.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return TerminalText(text);
}

} // namespace

// list [--json]: one line per page, fields separated by tabs; or a JSON array.
int CmdList(CliContext& ctx)
{
    CCliArgs parsed;
    std::string error;
    if (!parsed.Parse(ctx.args, {{"json", false}}, error))
        return ctx.Usage(error);
    if (!parsed.Positional().empty())
        return ctx.Usage("unexpected argument \"" + parsed.Positional().front() + "\"");

    // A damaged list still shows the pages that could be read; the status then says it was damaged.
    const int status = ctx.OpenList(false);
    const bool json = parsed.Has("json");
    if (json)
        ctx.out << "[";
    int position = 0;
    for (const auto& record : ctx.Doc().Records()) {
        ++position;
        if (json) {
            ctx.out << (position > 1 ? ",\n " : "\n ") << "{\"position\": " << position
                    << ", \"name\": " << JsonString(record->m_strName) << ", \"url\": " << JsonString(record->m_strURL)
                    << ", \"status\": " << JsonString(record->GetStatusText())
                    << ", \"changed\": " << (record->m_bChanged ? "true" : "false")
                    << ", \"change\": " << JsonString(Trimmed(record->GetChangeText()))
                    << ", \"lastChecked\": " << JsonString(record->GetLastCheckedText())
                    << ", \"lastModified\": " << JsonString(record->GetLastModifiedText()) << "}";
        } else {
            ctx.out << position << '\t' << OneLine(record->m_strName) << '\t' << OneLine(record->m_strURL) << '\t'
                    << OneLine(record->GetStatusText()) << '\t' << OneLine(Trimmed(record->GetChangeText())) << '\t'
                    << OneLine(record->GetLastCheckedText()) << '\t' << OneLine(record->GetLastModifiedText()) << '\n';
        }
    }
    if (json)
        ctx.out << (position > 0 ? "\n]\n" : "]\n");
    else if (position == 0 && status == kExitOk)
        // On standard error, so that scripts reading the list still see an empty one.
        ctx.err << "No pages are watched yet; add one with: sitevigil-cli add URL\n";
    return status;
}
