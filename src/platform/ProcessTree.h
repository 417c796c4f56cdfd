#pragma once

#include <cstddef>
#include <sys/types.h>

// The resident memory, in bytes, of a process and all its descendants together (a browser engine
// runs its pages in child processes). 0 when the process no longer exists.
size_t ProcessTreeResidentBytes(pid_t root);
