#pragma once

#include "containers/CellMatrix.h"
#include "containers/TermRows.h"
#include "structure/AlgorithmCells.h"

#include <string_view>
#include <vector>

namespace velmor {

class AlgorithmRun;
class StructureWorkspace;

using AlgorithmDriver = bool (*)(AlgorithmRun&, StructureWorkspace&, TermRows& finalTerms);

// What the algorithms themselves differ in: one row per algorithm. The main
// window's controls of each are added by the run layer's binding table.
struct AlgorithmTraits {
    Algorithm algorithm;
    std::string_view name;
    AlgorithmDriver driver;
    bool deliversTerms;     // false: it computes the availability itself (Frontier)
    int skipColumns;        // 0: every live row is a term; 1: tree rows, successes only
    std::vector<int> stopwatchSlots; // stopwatch slots in the order its record holds them
    int executionSlot;      // the slot the time limit and the summary grid use
};

const AlgorithmTraits& traits(Algorithm a);

inline std::string_view algorithmName(Algorithm a) { return traits(a).name; }

} // namespace velmor
