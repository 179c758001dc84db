#pragma once

#include "structure/StructureWorkspace.h"

namespace velmor {

// Sets up the structure a run computes on: the working matrix (a copy of the
// directed or the undirected incidence), the work terminals, the optional
// reduction, the map from work index to element index and the element states
// per work index. False when the copy or the reduction fails.
bool prepareWorkStructure(StructureWorkspace& ws, bool directed);

// The parts that follow the copy of the working matrix, for callers that
// copy it themselves.
bool mapWorkStructure(StructureWorkspace& ws);

} // namespace velmor
