#pragma once

#include "model/BrowserImport.h"

struct CliContext;

// import-firefox / import-chromium [PROFILE_DIR] [--folder PATH]...: adds the web bookmarks of a
// browser profile (the default one when none is named) at the end of the list.
int RunBrowserImport(CliContext& ctx, BrowserFamily family);
