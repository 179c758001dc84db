#pragma once

// The order in which the programme takes the links, and what it implies for
// every step: which vertices enter the boundary, where the link's ends sit,
// which vertices stay and what links they still have. The order is chosen
// to keep the boundary narrow, since the number of states grows with it
// roughly exponentially.

#include "algorithms/FrontierGraph.h"

#include <cstdint>
#include <vector>

namespace velmor::frontier {

// One step: the boundary before it (positions 0..before-1) is extended by
// the entering vertices (positions before, before+1, ...), the link is
// taken, and the vertices that have no link left drop out.
struct Step {
    int link = 0;
    int before = 0;             // boundary width before the step
    std::vector<int> entering;  // vertices entering, in the order of their positions
    int fromPosition = 0;       // the link's ends among the working positions
    int toPosition = 0;
    // A second link taken right after the first among the same working
    // positions, before any vertex drops out (-1: none); only plans made
    // by pairLinks have one.
    int pairedLink = -1;
    int pairedFrom = 0;
    int pairedTo = 0;
    // For each position of the boundary after the step, its working position.
    std::vector<int> kept;
    // Per position after the step: whether some later link enters or leaves
    // its vertex (an undirected link counts as both).
    std::vector<char> laterIn;
    std::vector<char> laterOut;
    // Per position after the step: how many later links touch its vertex.
    std::vector<int> laterLinks;
    // Whether the source, the destination have entered by the end of the step.
    bool sourceIn = false;
    bool destinationIn = false;
};

struct Plan {
    std::vector<Step> steps;
    int width = 0;        // widest boundary after a step
    int workingWidth = 0; // widest working positions within a step
};

// A vertex order that keeps the boundary narrow: breadth first from either
// terminal and a greedy order that takes the vertex that widens the
// boundary least, the one with the smallest estimated cost.
std::vector<int> chooseVertexOrder(const Graph& graph);

// Any order, drawn from `seed`: only to check that the programme is right
// in orders it would never choose.
std::vector<int> shuffledVertexOrder(const Graph& graph, std::uint32_t seed);

// The steps of taking the links in the order of their later end in
// `vertexOrder`.
Plan planSteps(const Graph& graph, const std::vector<int>& vertexOrder);

// The same links in fewer steps: a step in which a vertex enters takes the
// next link too when no vertex enters with that one. Where vertices may
// fail, the boundary between such two links holds the most states, and
// it is then never stored.
Plan pairLinks(const Plan& plan);

} // namespace velmor::frontier
