#pragma once

#include <string>
#include <vector>

// A browser profile whose bookmarks can be imported.
struct BrowserProfile
{
    // "Firefox", "Firefox (snap)", "Chromium", "Google Chrome", "Brave", "Vivaldi", "Microsoft Edge", ...
    std::string browser;
    // The profile's name as the browser shows it ("default-release", "Person 1").
    std::string name;
    // The profile folder, ending with '/'.
    std::string folder;
    // The profile the browser starts with (Firefox), or the one last used (Chromium family).
    bool isDefault = false;

    // "Firefox: default-release", as a picker or a message names it.
    std::string Label() const;
};

// The Firefox profiles that hold bookmarks, from the profiles.ini files under ~/.mozilla/firefox, the
// snap and Flatpak places and $XDG_CONFIG_HOME/mozilla/firefox. home and configHome end with '/'.
std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home, const std::string& configHome);
// The profiles of Chromium, Google Chrome, Brave, Vivaldi and Microsoft Edge that hold a Bookmarks
// file, under $XDG_CONFIG_HOME and the snap and Flatpak places.
std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home, const std::string& configHome);

// The same for the user running the program.
std::vector<BrowserProfile> FindFirefoxProfiles();
std::vector<BrowserProfile> FindChromiumProfiles();
