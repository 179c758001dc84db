#pragma once

// The graph the frontier programme works on: vertices that may fail, joined
// by links that may fail too. Built from the element graph, where every
// element is a vertex and every arc a link that always works; simplifying
// then turns the elements that only pass a connection on (an edge between
// two nodes, a chain) into links with their own availability, merges
// parallel links and drops what no connection can use. The probability that
// the source reaches the destination is the same in both.

#include "algorithms/Frontier.h"

#include <vector>

namespace velmor::frontier {

struct Link {
    int from = 0;
    int to = 0;
    long double availability = 1;
};

struct Graph {
    // Undirected when the element graph is symmetric: a link then connects
    // both ways, and connectivity of the boundary nodes is the whole state.
    bool directed = false;
    std::vector<long double> vertexAvailability;
    std::vector<Link> links;
    int source = 0;
    int destination = 0;
    // The availability when it needs no programme (terminals equal or
    // failed, the destination out of reach); then there are no links.
    bool settled = false;
    long double settledValue = 0;

    int vertexCount() const { return static_cast<int>(vertexAvailability.size()); }
};

// The graph of a usable input; `simplify` off keeps every element a vertex.
Graph buildGraph(const FrontierInput& input, bool simplify);

} // namespace velmor::frontier
