#include "model/TempFileSweep.h"

#include "platform/FileUtil.h"

#include <dirent.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The name of a temporary copy of file: file, a dot and the six letters or digits mkstemp puts there.
bool IsTempOf(std::string_view name, std::string_view file)
{
    if (name.size() != file.size() + 7 || name.substr(0, file.size()) != file || name[file.size()] != '.')
        return false;
    for (char c : name.substr(file.size() + 1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

bool IsPageCopyTemp(std::string_view name)
{
    constexpr std::string_view kSuffix = ".html.part";
    return name.size() > kSuffix.size() && name.substr(name.size() - kSuffix.size()) == kSuffix;
}

// Removes the regular files of the folder whose names match.
int Sweep(const std::string& folder, bool (*matches)(std::string_view))
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!matches(entry->d_name))
            continue;
        const std::string path = folder + entry->d_name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace

int RemoveStaleTemporaryFiles(const std::string& storageFolder, const std::string& pagesFolder)
{
    return Sweep(WithSlash(storageFolder),
                 [](std::string_view name) {
                     return IsTempOf(name, "siteVigil.dat") || IsTempOf(name, "siteVigilUpdateLog.dat");
                 })
        + Sweep(WithSlash(pagesFolder), IsPageCopyTemp);
}
