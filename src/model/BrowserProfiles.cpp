#include "model/BrowserProfiles.h"

#include "platform/DesktopEntry.h"
#include "platform/FileUtil.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// profiles.ini and Local State are small; a larger file is no such file.
constexpr size_t kMaxProfileListBytes = 4u << 20;
// Firefox numbers its profile groups from 0 without gaps; the bound only ends a damaged file's count.
constexpr int kMaxFirefoxProfiles = 1000;

bool IsFile(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct Place
{
    const char* browser;
    bool underConfig; // below $XDG_CONFIG_HOME, else below the home folder
    const char* path;
};

// clang-format off
constexpr Place kFirefoxPlaces[] = {
    {"Firefox", false, ".mozilla/firefox/"},
    {"Firefox", true, "mozilla/firefox/"},
    {"Firefox (snap)", false, "snap/firefox/common/.mozilla/firefox/"},
    {"Firefox (Flatpak)", false, ".var/app/org.mozilla.firefox/.mozilla/firefox/"},
    {"Firefox (Flatpak)", false, ".var/app/org.mozilla.firefox/config/mozilla/firefox/"},
};
constexpr Place kChromiumPlaces[] = {
    {"Chromium", true, "chromium/"},
    {"Chromium (snap)", false, "snap/chromium/common/chromium/"},
    {"Chromium (Flatpak)", false, ".var/app/org.chromium.Chromium/config/chromium/"},
    {"Google Chrome", true, "google-chrome/"},
    {"Google Chrome Beta", true, "google-chrome-beta/"},
    {"Google Chrome (Flatpak)", false, ".var/app/com.google.Chrome/config/google-chrome/"},
    {"Brave", true, "BraveSoftware/Brave-Browser/"},
    {"Brave (snap)", false, "snap/brave/current/.config/BraveSoftware/Brave-Browser/"},
    {"Brave (Flatpak)", false, ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/"},
    {"Vivaldi", true, "vivaldi/"},
    {"Vivaldi (Flatpak)", false, ".var/app/com.vivaldi.Vivaldi/config/vivaldi/"},
    {"Microsoft Edge", true, "microsoft-edge/"},
    {"Microsoft Edge (Flatpak)", false, ".var/app/com.microsoft.Edge/config/microsoft-edge/"},
};
// clang-format on

std::string PlaceFolder(const Place& place, const std::string& home, const std::string& configHome)
{
    return (place.underConfig ? configHome : home) + place.path;
}

// The names of the "[Install...]" groups: each names the profile one Firefox installation starts with.
std::vector<std::string> InstallGroups(const std::string& text)
{
    std::vector<std::string> groups;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("[Install", 0) == 0 && line.size() > 2 && line.back() == ']')
            groups.push_back(line.substr(1, line.size() - 2));
        at = end + 1;
    }
    return groups;
}

void AddFirefoxPlace(const Place& place, const std::string& root, std::vector<BrowserProfile>& profiles)
{
    const Result<std::string> read = ReadWholeFile(root + "profiles.ini", kMaxProfileListBytes);
    if (!read)
        return;
    const std::string& text = *read;
    std::vector<std::string> installDefaults;
    for (const std::string& group : InstallGroups(text)) {
        if (const auto path = KeyFileValue(text, group, "Default", KeyNames::IgnoreCase))
            installDefaults.emplace_back(*path);
    }
    for (int n = 0; n < kMaxFirefoxProfiles; ++n) {
        const std::string group = "Profile" + std::to_string(n);
        const auto path = KeyFileValue(text, group, "Path", KeyNames::IgnoreCase);
        if (!path)
            break;
        const auto relative = KeyFileValue(text, group, "IsRelative", KeyNames::IgnoreCase);
        const bool isRelative = !relative || *relative != "0";
        const std::string folder = WithSlash(isRelative ? root + std::string(*path) : std::string(*path));
        if (!IsFile(folder + "places.sqlite"))
            continue;
        const auto name = KeyFileValue(text, group, "Name", KeyNames::IgnoreCase);
        const auto isDefault = KeyFileValue(text, group, "Default", KeyNames::IgnoreCase);
        const bool installs = std::find(installDefaults.begin(), installDefaults.end(), *path) != installDefaults.end();
        profiles.push_back({place.browser, name ? std::string(*name) : std::string(*path), folder,
                            installs || (installDefaults.empty() && isDefault && *isDefault == "1")});
    }
}

// The names the browser shows for its profile folders, and the one last used, from "Local State".
void ReadLocalState(const std::string& root, nlohmann::json& infoCache, std::string& lastUsed)
{
    const Result<std::string> text = ReadWholeFile(root + "Local State", kMaxProfileListBytes);
    if (!text)
        return;
    const nlohmann::json state = nlohmann::json::parse(*text, nullptr, false);
    if (!state.is_object())
        return;
    const auto profile = state.find("profile");
    if (profile == state.end() || !profile->is_object())
        return;
    if (const auto cache = profile->find("info_cache"); cache != profile->end() && cache->is_object())
        infoCache = *cache;
    if (const auto last = profile->find("last_used"); last != profile->end() && last->is_string())
        lastUsed = last->get<std::string>();
}

void AddChromiumPlace(const Place& place, const std::string& root, std::vector<BrowserProfile>& profiles)
{
    std::vector<std::string> folders;
    if (DIR* dir = ::opendir(root.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if ((name == "Default" || name.rfind("Profile ", 0) == 0) && IsFile(root + name + "/Bookmarks"))
                folders.push_back(name);
        }
        ::closedir(dir);
    }
    if (folders.empty())
        return;
    // "Default" first, then "Profile 1", "Profile 2", ... as the browser made them.
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        if ((a == "Default") != (b == "Default"))
            return a == "Default";
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    nlohmann::json infoCache = nlohmann::json::object();
    std::string lastUsed = "Default";
    ReadLocalState(root, infoCache, lastUsed);
    for (const std::string& folder : folders) {
        std::string name = folder;
        if (const auto info = infoCache.find(folder); info != infoCache.end() && info->is_object()) {
            if (const auto shown = info->find("name");
                shown != info->end() && shown->is_string() && !shown->get<std::string>().empty())
                name = shown->get<std::string>();
        }
        profiles.push_back({place.browser, name, root + folder + "/", folder == lastUsed});
    }
}

} // namespace

std::string BrowserProfile::Label() const
{
    return browser + ": " + name;
}

std::vector<BrowserProfile> FindFirefoxProfiles(const std::string& home, const std::string& configHome)
{
    std::vector<BrowserProfile> profiles;
    for (const Place& place : kFirefoxPlaces)
        AddFirefoxPlace(place, PlaceFolder(place, home, configHome), profiles);
    return profiles;
}

std::vector<BrowserProfile> FindChromiumProfiles(const std::string& home, const std::string& configHome)
{
    std::vector<BrowserProfile> profiles;
    for (const Place& place : kChromiumPlaces)
        AddChromiumPlace(place, PlaceFolder(place, home, configHome), profiles);
    return profiles;
}

std::vector<BrowserProfile> FindFirefoxProfiles()
{
    return FindFirefoxProfiles(UserHome(), UserConfigHome());
}

std::vector<BrowserProfile> FindChromiumProfiles()
{
    return FindChromiumProfiles(UserHome(), UserConfigHome());
}
