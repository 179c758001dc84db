#pragma once

#include "containers/CellMatrix.h"
#include "containers/TermRows.h"
#include "containers/IntArray.h"

namespace velmor {
class AlgorithmRun;
class StructureWorkspace;
} // namespace velmor

namespace velmor::reference {

// NPR: a solution tree whose every node is split over one shortest
// source-destination path of what its failed elements leave of the graph.
// Builds nprRows, nprPaths and the links while the coordinator reads the rows,
// and delivers the success rows as final terms. False for an unusable working
// structure or an inconsistent search.
bool runNpr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

// Breadth-first search over the partial paths of a working copy `copy` (which
// holds usable and blocked arcs, no leaving arcs). On success `path` holds the
// elements of the first shortest path found, source first, and `marks` holds
// -1 for each of them. Variant 1 drops candidates from which the destination
// cannot be reached; under "normalno" elements of state -1 are never
// extensions, except the destination. Counts anomalies in `run` and times
// candidate tests in slot 3 while slot 2 runs. A search that runs out of
// storage reports an empty path, which runNpr refuses.
bool findShortestPath(AlgorithmRun& run, const ByteMatrix& copy, IntArray& path, IntArray& marks, int source,
                      int destination, int variant, const IntArray& workElementState, bool normal);

} // namespace velmor::reference
