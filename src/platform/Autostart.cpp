#include "platform/Autostart.h"

#include "platform/FileUtil.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace {

// The Exec key takes a command line: the program is quoted, and inside the quotes `"`, `` ` ``, `$`
// and `\` are escaped; '%' starts a field code and is doubled. The key's value is then a desktop-file
// string, in which a backslash is itself escaped.
std::string ExecValue(const std::string& program)
{
    std::string quoted = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';

    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else if (c == '\r')
            value += "\\r";
        else if (c == '\t')
            value += "\\t";
        else
            value += c;
    }
    return value;
}

} // namespace

std::string AutostartEntryPath()
{
    return UserConfigHome() + "autostart/" SITEVIGIL_APP_ID ".desktop";
}

namespace {

// The entry's name before the program went by its application id; one left behind would start the
// program a second time, or on after the user turned starting at login off.
bool RemoveEarlierEntry()
{
    return ::unlink((UserConfigHome() + "autostart/site-vigil.desktop").c_str()) == 0 || errno == ENOENT;
}

} // namespace

bool WriteAutostartEntry(const std::string& executablePath)
{
    const std::string path = AutostartEntryPath();
    if (!MakeFolders(path.substr(0, path.rfind('/') + 1), 0700))
        return false;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Site Vigil\n"
                              "Comment=Watches web pages for changes\n"
                              "Icon=" SITEVIGIL_APP_ID "\n"
                              "Exec="
        + ExecValue(executablePath)
        + "\n"
          "Terminal=false\n"
          "X-GNOME-Autostart-enabled=true\n";
    RemoveEarlierEntry();
    return WriteFileAtomically(path, entry, 0644).ok();
}

bool RemoveAutostartEntry()
{
    const bool earlierGone = RemoveEarlierEntry();
    return (::unlink(AutostartEntryPath().c_str()) == 0 || errno == ENOENT) && earlierGone;
}

std::string CurrentExecutablePath()
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return {};
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}
