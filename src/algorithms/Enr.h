#pragma once

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// ENR: a solution tree growing the set of working elements from the source.
// Same tree, counters and measurements as the straightforward version in
// algorithms/reference, which the tests compare it with.
bool runEnr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

} // namespace velmor
