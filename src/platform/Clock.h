#pragma once

#include <cstdint>

namespace velmor {

// A wall-clock reading with millisecond resolution.
struct ClockReading {
    std::int64_t seconds = 0; // since the epoch
    std::int32_t millis = 0;  // 0..999
};

using ClockSource = ClockReading (*)();

ClockReading wallClockNow();

} // namespace velmor
