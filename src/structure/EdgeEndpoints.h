#pragma once

#include "containers/CellMatrix.h"

namespace velmor {

// The nodes an edge joins, as the directed matrix holds them: its from-node
// is the last row with a 1 in the edge's column, its to-node the last column
// with a 1 in the edge's row. False when either is missing (cells cleared in
// the matrix view); every file writer then leaves the edge out.
bool edgeEndpoints(const ByteMatrix& directedMatrix, int edge, int& from, int& to);

} // namespace velmor
