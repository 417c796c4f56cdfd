#include "ui/main/ToolbarIcons.h"

#include <QString>
#include <cstring>

namespace {

struct ThemeName
{
    const char* ours;
    const char* theme;
};

// Freedesktop icon names; ours without a match keep our own image.
constexpr ThemeName kThemeNames[] = {
    {"add-url", "list-add"},
    {"delete", "edit-delete"},
    {"properties", "document-properties"},
    {"check", "view-refresh"},
    {"stop", "process-stop"},
    {"clear-changes", "edit-clear"},
    {"open-browser", "internet-web-browser"},
    {"save", "document-save"},
    {"preferences", "preferences-system"},
    {"help", "help-contents"},
    {"about", "help-about"},
};

} // namespace

QIcon ToolbarIcon(const char* name)
{
    const QIcon own(QStringLiteral(":/toolbar/%1.svg").arg(QLatin1String(name)));
    for (const ThemeName& entry : kThemeNames) {
        if (std::strcmp(entry.ours, name) == 0)
            return QIcon::fromTheme(QLatin1String(entry.theme), own);
    }
    return own;
}

QIcon AppIcon(bool changesPresent)
{
    return QIcon(changesPresent ? QStringLiteral(":/icons/site-vigil-changes.svg")
                                : QStringLiteral(":/icons/site-vigil.svg"));
}
