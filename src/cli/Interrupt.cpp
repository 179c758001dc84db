#include "cli/Interrupt.h"

#include "cli/CliOptions.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace velmor {

namespace {

// Read by the main thread, written in the handler (which may run on any
// thread): a lock-free atomic is safe in both places.
std::atomic<int> interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int)
{
    if (interrupts.exchange(1) != 0)
        _exit(kExitInterrupted);
}

} // namespace

void installInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested()
{
    return interrupts.load() != 0;
}

} // namespace velmor
