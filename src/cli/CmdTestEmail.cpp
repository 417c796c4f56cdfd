#include "cli/CliCommands.h"
#include "cli/CliContext.h"
#include "notify/ChangeEmail.h"

#include "platform/TerminalText.h"

#include <ostream>

namespace {

// The e-mail texts are written for message boxes; on a terminal each becomes one line.
std::string OneLine(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    for (char& c : text) {
        if (c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

// test-email: sends the test e-mail with the stored settings and says how it went.
int CmdTestEmail(CliContext& ctx)
{
    if (!ctx.args.empty())
        return ctx.Usage("unexpected argument \"" + ctx.args.front() + "\"");
    const std::string shown = SendTestEmail();
    if (shown != kTestEmailSentText)
        return ctx.Fail(OneLine(shown));
    ctx.out << TerminalText(OneLine(shown)) << "\n";
    return kExitOk;
}
