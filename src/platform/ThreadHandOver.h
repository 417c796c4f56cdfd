#pragma once

// Tells ThreadSanitizer of an order between two threads that a library it cannot look into gives:
// whatever a thread did before HandOverRelease(p) happens before whatever another thread does after
// a later HandOverAcquire(p), as a lock or an atomic of our own would make it. A queue inside Qt, say,
// which is not built for the sanitizer, orders its producer and its consumer just as well, but unseen.
// Costs nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#define SITEVIGIL_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SITEVIGIL_THREAD_SANITIZER 1
#endif
#endif

#if defined(SITEVIGIL_THREAD_SANITIZER)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);

inline void HandOverRelease(void* p)
{
    __tsan_release(p);
}
inline void HandOverAcquire(void* p)
{
    __tsan_acquire(p);
}
#else
inline void HandOverRelease(void*) { }
inline void HandOverAcquire(void*) { }
#endif
