#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace velmor {

// Memory samples of a run with the moment of each; slot 0 keeps the peak when
// the samples are recorded in rising slots. Values are 64-bit so that runs
// beyond 2 GB neither wrap nor trip a limit wrongly. Readers on other threads
// only display what they see, but reads and writes still take a short lock.
class SampleLog {
public:
    explicit SampleLog(ClockSource clock = wallClockNow) : clock_(clock) {}
    SampleLog(const SampleLog&) = delete;
    SampleLog& operator=(const SampleLog&) = delete;

    bool allocate(int count);
    bool resize(int count);
    bool record(int slot, std::int64_t value);
    std::int64_t sample(int slot) const;
    std::int64_t stamp(int slot) const;
    int lastIndex() const;
    void clear();

private:
    bool resizeLocked(int count);

    ClockSource clock_;
    mutable std::mutex lock_;
    std::vector<std::int64_t> values_;
    std::vector<std::int64_t> stamps_;
};

} // namespace velmor
