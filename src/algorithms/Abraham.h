#pragma once

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// Abraham: the availability as the probability of the union of the minimal
// source-destination paths, written as a sum of disjoint products. Same
// terms, counters and measurements as the straightforward version in
// algorithms/reference, which the tests compare it with.
bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

} // namespace velmor
