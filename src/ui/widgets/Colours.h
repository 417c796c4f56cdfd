#pragma once

#include <QColor>
#include <QPalette>

// The program's few colours of its own, chosen for the palette in use so that they stay readable on
// light and dark desktops alike. On a light palette they are the classic ones (white and light blue
// rows, black text, red marks).
namespace Colours {

enum class Role
{
    Text, // plain text: the palette's own
    EvenRow,
    OddRow,
    Changed, // the "Changed?" text of a page marked changed, an address that is a mistake
    Failed, // the status of a page whose last check failed
};

bool IsDark(const QPalette& palette);
QColor Of(Role role, const QPalette& palette);
// With the application's palette.
QColor Of(Role role);

} // namespace Colours
