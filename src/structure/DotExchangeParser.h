#pragma once

#include "structure/ExchangeStructure.h"

#include <string>
#include <string_view>

namespace velmor {

// Reads a structure from a Graphviz DOT graph of the shape the export
// writes: `digraph` (directed) or `graph`, nodes with the attributes `label`
// (the element label; the node's name when absent) and `availability`,
// edges with `label` and `availability`, and the pair as the graph
// attributes `source` and `destination`, which name nodes.
//
// The text may be written as DOT allows: comments (//, /* */, and lines
// starting with #), names quoted or not, "..." + "..." concatenation,
// statements with or without semicolons, attribute lists split or separated
// by ";", `node [...]` and `edge [...]` defaults, ports, edge chains
// (a -> b -> c), `strict`. An edge must use the graph's own operator (-> in
// a digraph, -- in a graph); subgraphs are refused. A node that an edge
// names must be declared with a node statement of its own. False with the
// reason, and the line it concerns, in `message`.
bool parseExchangeDot(std::string_view text, ExchangeStructure& structure, std::string& message);

} // namespace velmor
