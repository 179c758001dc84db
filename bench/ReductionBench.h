#pragma once

// velmor-bench --reduction: the structure reduction, production against the
// cut-step reference on chains, grids and random sparse structures, and the
// whole way from a structure file to the printed result on long series
// chains with the reduction on, step by step and as velmor-cli runs it.

#include <string>

namespace velmor::bench {

struct ReductionBenchOptions {
    bool quick = false;  // small structures, a second or so in all
    bool json = false;   // one object per case
    int repetitions = 0; // 0: 3, or 1 with quick
    std::string filter;  // only cases whose name contains it
};

// Runs the cases and prints the figures; returns the exit status (1 when a
// case could not be prepared or the production and reference reductions
// differ).
int runReductionBench(const ReductionBenchOptions& options);

} // namespace velmor::bench
