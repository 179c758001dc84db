#include "algorithms/RunOptions.h"

namespace velmor {

RunLimits RunLimits::normalised() const
{
    auto one = [](std::int64_t value) { return value < 0 ? std::int64_t{-1} : value; };
    return RunLimits{one(memory), one(time), one(iterations)};
}

int RunOptions::chosenCount() const
{
    int count = 0;
    for (const AlgorithmOptions& a : algorithms)
        count += a.selected ? 1 : 0;
    return count;
}

} // namespace velmor
