#pragma once

#include <string>
#include <vector>

// Opens a file or an address with the desktop's default handler: "xdg-open PATH", and when that fails,
// the program the desktop names for HTML files (xdg-mime query default text/html, that entry's Exec
// line). Returns at once; the programs run on and are waited for in the background. The path is handed
// over as one argument and never seen by a shell. An empty path does nothing.
void OpenWithShell(const std::string& path);
// The same on the calling thread: returns when the programs it started have ended, true when one of
// them reported success.
bool OpenWithShellAndWait(const std::string& path);

// The pieces of the fallback, exposed for the tests.
// The desktop entry file for an id such as "firefox.desktop" in $XDG_DATA_HOME/applications and then
// $XDG_DATA_DIRS/applications; a '-' in the id may stand for a subfolder. Empty when none is found.
std::string FindDesktopEntry(const std::string& desktopId);
// The Exec value of the [Desktop Entry] group of that file; empty when there is none.
std::string ReadDesktopExec(const std::string& entryPath);
// The argument vector of an Exec value with the path as its file or URL: quoting and escapes undone,
// %f %F %u %U become the path, %% a percent sign, other field codes are dropped; the path is added at
// the end when the line names no place for it. Empty when the line cannot be parsed.
std::vector<std::string> ExpandDesktopExec(const std::string& exec, const std::string& path);
