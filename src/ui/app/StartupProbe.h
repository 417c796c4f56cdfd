#pragma once

class QWidget;

// For the start-up benchmark only: when SITEVIGIL_STARTUP_PROBE holds the launch time (nanoseconds
// since 1970, as `date +%s%N` prints it), the program reports on standard error how long it took to
// its first painted window and its resident memory then and a few seconds later, and ends.
namespace StartupProbe {

// Call right after the window was first painted. Does nothing without the variable.
void WindowPainted(QWidget* window);

} // namespace StartupProbe
