// The ThreadSanitizer settings every program of a TSan build starts with (TSAN_OPTIONS still has the
// last word).
// Qt, Chromium, D-Bus, libcurl and SQLite are not built for the sanitizer: their own memory accesses
// are invisible to it, and what they do through the calls it intercepts (a copy, a free) it cannot
// order against their own unseen locks and atomics, so it would blame them for races they do not
// have. Only our code is checked, then; where our threads meet through such a library, the hand-over
// is told to the sanitizer (platform/ThreadHandOver.h). A program that starts another (a test its X
// server) after threads exist must not be killed for it.
#include "platform/ThreadHandOver.h"

#if defined(SITEVIGIL_THREAD_SANITIZER)
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1 die_after_fork=0";
}
#endif
