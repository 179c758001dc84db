#pragma once

#include "containers/CellMatrix.h"
#include "containers/IntArray.h"

namespace velmor {

// Removes from the element graph every element that cannot take part in a
// connection between source and destination, renumbers the rest densely in
// their old order and records, per new index, the old one. False (nothing
// changed) for a matrix that is not square or terminals outside it.
bool reduceStructure(int& workSourceIndex, int& workDestinationIndex, ByteMatrix& workMatrix, IntArray& elementMap);

} // namespace velmor
