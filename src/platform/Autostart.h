#pragma once

#include <string>

// Starting with the desktop session: an XDG autostart entry named by the application id,
// ~/.config/autostart/org.sitevigil.SiteVigil.desktop ($XDG_CONFIG_HOME respected). Writing or
// removing it also removes an entry of the earlier name, site-vigil.desktop.
std::string AutostartEntryPath();
// Writes (or replaces) the entry so that it starts the given program. False when it cannot be written.
bool WriteAutostartEntry(const std::string& executablePath);
// True when no entry is left afterwards.
bool RemoveAutostartEntry();
// Full path of the running program; "" when it cannot be found.
std::string CurrentExecutablePath();
