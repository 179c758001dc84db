#pragma once

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>

namespace velmor::reference {

// Abraham: the availability as the probability of the union of the minimal
// source-destination paths, written as a sum of disjoint products.
//
// Runs the three phases on the work structure, copies the terms into
// `finalTerms` and stores the result code. False when the work structure is
// unusable or a phase meets an inconsistency.
bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms);

// Breadth-wise search of the minimal paths from workSourceIndex to
// workDestinationIndex. Leaves in ws.abrahamPaths one row per partial path
// over the element columns 0..n plus a last column with the row's state:
// 1 for a kept path, -1 for a discarded row. Under "normalno" the elements of
// availability 1 are cleared from the kept paths.
bool findMinimalPaths(AlgorithmRun& run, StructureWorkspace& ws);

// Keeps the rows of state 1 and orders them: rule 0 as found, rule 1 by
// ascending element count (stable), rule 2 additionally, within one count, by
// descending overlap with the shorter paths. `paths` becomes the sorted
// matrix over the element columns only; `lengths` and `overlaps` get one
// entry per path (rule 1 leaves the overlaps 0, rule 0 leaves both empty).
bool sortPaths(ByteMatrix& paths, IntArray& lengths, IntArray& overlaps, int rule);

// Turns sorted path i into terms that exclude every earlier path and appends
// them to ws.abrahamProducts, path by path, with their path index in
// ws.abraham.links. One iteration per pair of paths. False when a path holds
// a failed cell.
bool buildDisjointProducts(AlgorithmRun& run, StructureWorkspace& ws);

} // namespace velmor::reference
