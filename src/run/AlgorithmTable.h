#pragma once

#include "containers/CellMatrix.h"
#include "structure/AlgorithmCells.h"

#include <string_view>
#include <vector>

namespace velmor {

class AlgorithmRun;
class StructureWorkspace;

using AlgorithmDriver = bool (*)(AlgorithmRun&, StructureWorkspace&, ByteMatrix& finalTerms);

// Everything in which the three algorithms differ as far as running and
// showing them goes: one row per algorithm, used by code written once.
struct AlgorithmBinding {
    Algorithm algorithm;
    std::string_view name;
    AlgorithmDriver driver;
    int skipColumns;                    // 0: every row is a term; 1: tree rows, successes only
    const char* checkBox;               // "Odaberi"
    std::vector<const char*> variants;  // its variant radio buttons
    const char* lamp;
    const char* progressLabel;
    const char* reportButton;
    const char* reportMenuItem;
    const char* stopMenuItem;
    const char* threadFailure;          // first line when its thread cannot be created
};

const AlgorithmBinding& binding(Algorithm a);

} // namespace velmor
