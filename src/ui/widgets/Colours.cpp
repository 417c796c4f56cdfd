#include "ui/widgets/Colours.h"

#include <QGuiApplication>

namespace Colours {

bool IsDark(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Base).lightness() < 128;
}

QColor Of(Role role, const QPalette& palette)
{
    const bool dark = IsDark(palette);
    switch (role) {
    case Role::Text:
        return dark ? palette.color(QPalette::Active, QPalette::Text) : QColor(Qt::black);
    case Role::EvenRow:
        return dark ? palette.color(QPalette::Active, QPalette::Base) : QColor(Qt::white);
    case Role::OddRow:
        // A shade of blue over the base, as the light rows have.
        return dark ? QColor(43, 47, 66) : QColor(233, 233, 255);
    case Role::Changed:
        return dark ? QColor(255, 110, 100) : QColor(255, 0, 0);
    case Role::Failed:
        return dark ? QColor(255, 170, 80) : QColor(176, 64, 0);
    }
    return palette.color(QPalette::Text);
}

QColor Of(Role role)
{
    return Of(role, QGuiApplication::palette());
}

} // namespace Colours
