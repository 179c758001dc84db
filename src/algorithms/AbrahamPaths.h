#pragma once

// The path phases of Abraham on element sets: the breadth-wise search of the
// minimal paths and their ordering by rules 1a and 2a.

#include "algorithms/ElementArcs.h"
#include "algorithms/ElementSets.h"
#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

namespace velmor {

// Searches the minimal paths from workSourceIndex to workDestinationIndex
// over `arcs` (the usable arcs of ws.workMatrix) and leaves in `paths` the
// kept ones in the order found: under "normalno" without their elements of
// availability 1, or the single fallback path when no path depends on an
// uncertain element. Checks the stop cell after every partial path. False
// when a terminal lies outside the structure.
bool findAbrahamPaths(AlgorithmRun& run, StructureWorkspace& ws, const ElementArcs& arcs, SetRows& paths);

// Puts `paths` in the order of `rule` (0 as found, 1 by element count, 2 also
// by overlap with the shorter paths) and writes them to `matrix` (one row per
// path, cell 1 per element) with the element counts in `lengths` and the
// overlaps in `overlaps` (rule 0 leaves both empty, rule 1 the overlaps 0).
void sortAbrahamPaths(SetRows& paths, int elements, int rule, ByteMatrix& matrix, IntArray& lengths,
                      IntArray& overlaps);

} // namespace velmor
