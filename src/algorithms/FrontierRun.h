#pragma once

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// Frontier as one of a run's algorithms. Its steps close the frame's
// iterations (execution time, a memory sample of its own containers,
// limits, progress, stop and pause), and it stores its availability and its
// bounds itself: it delivers no terms, so `finalTerms` stays empty. A run
// that ends early (stopped, limited, out of memory, a boundary too wide)
// keeps its bounds and counts as cut short; an unusable work structure fails.
bool runFrontierAlgorithm(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

} // namespace velmor
