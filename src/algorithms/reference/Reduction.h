#pragma once

#include "containers/CellMatrix.h"
#include "containers/IntArray.h"

namespace velmor::reference {

// The reduction step by step: one cut step per element, each with a forward
// search from the source and a backward search towards the destination in
// passes over the elements, and every element that both searches miss goes.
// Cubic in the number of elements on long chains; the production version
// (algorithms/Reduction.h) computes the same from dominator trees.
//
// Removes from the element graph every element that cannot take part in a
// connection between source and destination, renumbers the rest densely in
// their old order and records, per new index, the old one. False (nothing
// changed) for a matrix that is not square or terminals outside it.
bool reduceStructure(int& workSourceIndex, int& workDestinationIndex, ByteMatrix& workMatrix, IntArray& elementMap);

} // namespace velmor::reference
