#pragma once

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// NPR: a solution tree over shortest source-destination paths. Same tree,
// counters and measurements as the straightforward version in
// algorithms/reference, which the tests compare it with.
bool runNpr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

} // namespace velmor
