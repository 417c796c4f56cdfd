#include "cli/BrowserImportCommand.h"
#include "cli/CliCommands.h"

// import-firefox [PROFILE_DIR] [--folder PATH]...
int CmdImportFirefox(CliContext& ctx)
{
    return RunBrowserImport(ctx, BrowserFamily::Firefox);
}
