#pragma once

// The two-terminal availability of a work structure by enumerating the
// states of its elements: what every exact algorithm must give for it,
// whatever its work matrix holds (hand-made arcs between any elements too).

#include "structure/StructureWorkspace.h"

namespace velmor::testing {

// Over the arcs of ws.workMatrix (cells holding 1), from workSourceIndex to
// workDestinationIndex, every element working with the availability of the
// element elementMap gives it (the terminals with 1 under idealTerminals).
// Throws when more than 22 elements are uncertain.
long double elementGraphAvailability(const StructureWorkspace& ws, bool idealTerminals);

} // namespace velmor::testing
