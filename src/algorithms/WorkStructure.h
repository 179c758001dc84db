#pragma once

#include "algorithms/RunOptions.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// Sets up the structure a run computes on: the working matrix (a copy of the
// directed incidence, or of the undirected one for an undirected run), the
// work terminals, the optional reduction, the map from work index to element
// index and the element states per work index. False when the copy or the
// reduction fails.
bool prepareWorkStructure(StructureWorkspace& ws, const RunOptions& options);

// The parts that follow the copy of the working matrix, for callers that
// copy it themselves, between the given terminals (element indices).
bool mapWorkStructure(StructureWorkspace& ws, const RunOptions& options, int source, int destination);

} // namespace velmor
