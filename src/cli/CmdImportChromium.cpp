#include "cli/BrowserImportCommand.h"
#include "cli/CliCommands.h"

// import-chromium [PROFILE_DIR] [--folder PATH]...
int CmdImportChromium(CliContext& ctx)
{
    return RunBrowserImport(ctx, BrowserFamily::Chromium);
}
