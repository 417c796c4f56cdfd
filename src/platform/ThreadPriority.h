#pragma once

// Worker threads run at a lower scheduling priority so that checking pages does not slow the desktop.
// Priorities are the three levels of the threadPriority setting: -2 lowest, -1 below normal, 0 normal;
// on Linux each maps to a nice value of the calling thread (10, 5, 0).

// The nice value for a priority level; any other level counts as normal.
int NiceValueForPriority(int priority);

// Sets the calling thread's nice value for the priority level. False when the system refused it (an
// unprivileged process cannot go below its current nice value); the thread then keeps its priority.
bool SetCurrentThreadPriority(int priority);

// The calling thread's nice value.
int GetCurrentThreadNice();
