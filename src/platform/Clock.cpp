#include "platform/Clock.h"

#include <chrono>

namespace velmor {

ClockReading wallClockNow()
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return ClockReading{sinceEpoch / 1000, static_cast<std::int32_t>(sinceEpoch % 1000)};
}

} // namespace velmor
