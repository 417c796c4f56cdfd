#pragma once

#include <QIcon>

// A toolbar or menu image by our own name ("check", "stop", "differences", ...): the desktop icon
// theme's image where the theme has one for it, else our own drawing, so that a bare machine shows
// the buttons too.
QIcon ToolbarIcon(const char* name);

// The program's icon: normal, or with the mark that pages have changed.
QIcon AppIcon(bool changesPresent = false);
