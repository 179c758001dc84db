#include "structure/AlgorithmCells.h"

namespace velmor {

void AlgorithmCells::resetResults()
{
    links.clear();
    timers.clear();
    memoryLog.clear();
    storeAvailability(0);
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
