#pragma once

// velmor-bench --frontier: the Frontier method on the structures that the
// path and tree algorithms cannot reach (large grids with and without
// failing nodes, directed, a long ladder), each against its target time.
// Every run must end exact: both bounds equal, and the ladder's value the
// one a transfer over its rungs gives.

#include <string>

namespace velmor::bench {

struct FrontierBenchOptions {
    bool quick = false;    // the small cases only, a second or so in all
    bool json = false;     // one object per case
    int repetitions = 0;   // 0: 3, or 1 with quick
    std::string filter;    // only cases whose name contains it
};

// Runs the cases and prints the figures; returns the exit status (1 when a
// case could not be prepared or did not end exact).
int runFrontierBench(const FrontierBenchOptions& options);

} // namespace velmor::bench
