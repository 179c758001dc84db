#include "platform/HeapTuning.h"

#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace velmor {

namespace {

#if defined(__GLIBC__)
// Large blocks stay in the heap instead of being mapped one by one (every
// fresh mapping faults page by page), and the heap's free top is handed
// back to the system only beyond this much. Term matrices of long runs reach
// tens of megabytes; 32 MiB is the largest mapping threshold glibc accepts.
constexpr int kMapThreshold = 32 * 1024 * 1024;
constexpr int kTrimThreshold = 256 * 1024 * 1024;
// One arena for every thread: the heaps of further arenas grow and shrink
// a few pages at a time through system calls, which made an algorithm in its
// own thread a fifth slower than the same algorithm on the main thread. The
// algorithms allocate outside their inner loops, so the shared lock costs
// little.
constexpr int kArenas = 1;
#endif

bool applySettings()
{
#if defined(__GLIBC__)
    const bool mapped = mallopt(M_MMAP_THRESHOLD, kMapThreshold) == 1;
    const bool trimmed = mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
    const bool shared = mallopt(M_ARENA_MAX, kArenas) == 1;
    return mapped && trimmed && shared;
#else
    return false;
#endif
}

} // namespace

bool keepFreedMemoryInProcess()
{
    static std::once_flag once;
    static bool accepted = false;
    std::call_once(once, [] { accepted = applySettings(); });
    return accepted;
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace velmor
