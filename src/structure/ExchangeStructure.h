#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmor {

// A structure as the exchange formats hold it: nodes and edges by label,
// each edge naming its end nodes by their labels. `line` is where an
// imported element stood in its file (0 for an exported one), so that a
// message can point at it.
struct ExchangeNode {
    std::int32_t label = 0;
    long double availability = 0;
    int line = 0;
};

struct ExchangeEdge {
    std::int32_t label = 0;
    std::int32_t from = 0; // node labels
    std::int32_t to = 0;
    long double availability = 0;
    int line = 0;
};

struct ExchangePair {
    std::int32_t source = 0; // node labels
    std::int32_t destination = 0;
    int line = 0;
};

struct ExchangeStructure {
    bool directed = false;
    std::vector<ExchangeNode> nodes; // in element order
    std::vector<ExchangeEdge> edges;
    std::optional<ExchangePair> pair;
};

// The structure as a save writes it: the nodes and edges in element order,
// an edge whose end nodes the directed matrix no longer shows left out, and
// the pair only when both indices name nodes.
ExchangeStructure exchangeStructureOf(const ElementList& elements, const ByteMatrix& directedMatrix, bool directed,
                                      int sourceIndex, int destinationIndex);

} // namespace velmor
