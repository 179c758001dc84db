#pragma once

// velmor-bench --engine: what the run engine costs on top of the algorithm
// it runs. One algorithm at a time is run once directly on the prepared
// workspace and once through the headless main window the way velmor-cli
// drives it; the two wall times are compared.

#include <string>

namespace velmor::bench {

struct EngineOverheadOptions {
    bool quick = false;     // small structures, a second or so in all
    bool json = false;      // one object per case
    int repetitions = 0;    // 0: 5, or 1 with quick
    std::string filter;     // only cases whose name contains it
    std::string algorithm;  // "abraham", "enr", "npr"; empty: all
};

// Runs the cases and prints the figures; returns the exit status (1 when a
// case could not be prepared or the two runs disagree).
int runEngineOverhead(const EngineOverheadOptions& options);

} // namespace velmor::bench
