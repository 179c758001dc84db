#pragma once

#include "containers/CellMatrix.h"

#include <vector>

namespace velmor {

// One edge as element indices: from-node, edge, to-node.
struct Arc {
    int from;
    int edge;
    int to;
};

// Marks every arc in the two incidence matrices, which already have room
// for all elements: a -> e -> b in the directed one, both ways in the
// undirected one.
void markArcs(const std::vector<Arc>& arcs, ByteMatrix& directedMatrix, ByteMatrix& undirectedMatrix);

// An element's entry in `elementState`: -1 when it never works, 1 when it
// always works, 0 otherwise.
inline int elementStateOf(long double availability)
{
    return availability == 0 ? -1 : availability == 1 ? 1 : 0;
}

} // namespace velmor
