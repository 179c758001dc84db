#include "structure/AlgorithmCells.h"

#include <algorithm>

namespace velmor {

AvailabilityBounds LiveSum::bounds(bool tree) const
{
    // Rounding must not turn the bracket around.
    const long double upper = std::max(value, tree ? std::min(root - failures, 1.0L) : 1.0L);
    return {value, upper};
}

void AlgorithmCells::resetResults()
{
    links.clear();
    timers.clear();
    memoryLog.clear();
    storeAvailability(0);
    storeBounds({});
    progressDone = 0;
    progressTotal = 0;
    iterations = 0;
    partialCount = 0;
    failed = 0;
    stop = 0;
    done = 0;
    anomalies = 0;
    feed.publishedRows = 0;
    feed.settledRows = TermFeed::kEveryRow;
}

} // namespace velmor
