#pragma once

#include "platform/Clock.h"

#include <mutex>
#include <vector>

namespace velmor {

// Accumulated wall-clock time per slot (one slot per phase of a run).
// An algorithm thread starts and stops its slots while the coordinator and
// the reports read the totals, so every operation takes a short lock.
class StopwatchSet {
public:
    explicit StopwatchSet(ClockSource clock = wallClockNow) : clock_(clock) {}
    StopwatchSet(const StopwatchSet&) = delete;
    StopwatchSet& operator=(const StopwatchSet&) = delete;

    bool allocate(int count);
    bool resize(int count);
    bool start(int slot);
    bool stop(int slot);
    // stop then start with a single clock reading, which it hands back in
    // `now`: the slot's total gains the time since its start or previous
    // lap and it goes on from now. Starts a slot that is not running.
    bool lap(int slot, ClockReading& now);
    long double total(int slot) const;
    bool running(int slot) const;
    void clear();
    int lastIndex() const;

private:
    struct Slot {
        long double total = 0;
        std::int64_t startSeconds = 0;
        std::int32_t startMillis = 0;
        bool running = false;
    };
    bool resizeLocked(int count);

    ClockSource clock_;
    mutable std::mutex lock_;
    std::vector<Slot> slots_;
};

} // namespace velmor
