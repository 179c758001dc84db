#pragma once

// Dominator trees of the element graph. Element d dominates element j from
// a root when every path from the root to j passes d; the immediate
// dominator of j is its nearest strict dominator, and the immediate
// dominators form a tree rooted at the root.

#include "algorithms/ElementArcs.h"

#include <vector>

namespace velmor {

enum class ArcDirection {
    Forward,  // along the arcs: paths from the root
    Backward, // against the arcs: paths into the root
};

// The immediate dominator of every element reachable from `root` (along
// `direction`); the root's entry is the root itself, an unreachable
// element's -1. Lengauer and Tarjan's algorithm with path compression:
// O(m log n) for m arcs and n elements, without recursion, so that long
// chains need no deep stack.
std::vector<int> immediateDominators(const ElementArcs& arcs, int root, ArcDirection direction);

} // namespace velmor
