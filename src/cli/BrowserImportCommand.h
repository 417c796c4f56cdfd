#pragma once

struct CliContext;

// The browsers whose profiles the import commands read.
enum class BrowserFamily
{
    Firefox,
    Chromium, // Chromium, Google Chrome, Brave, Vivaldi, Edge
};

// import-firefox / import-chromium [PROFILE_DIR] [--folder PATH]...: adds the web bookmarks of a
// browser profile (the default one when none is named) at the end of the list.
int RunBrowserImport(CliContext& ctx, BrowserFamily family);
