#pragma once

#include "structure/ExchangeFormat.h"
#include "structure/ExchangeStructure.h"
#include "structure/TextFile.h"

#include <string>

namespace velmor {

// The structure in an exchange format. Availabilities are written with as
// many digits as it takes to read them back exactly, "." as separator.
//
// DOT: a digraph (directed) or graph; every node as `LABEL [label="LABEL",
// availability="A"]`, every edge as `FROM -> TO [label="LABEL",
// availability="A"]` (`--` undirected), the pair as the graph attributes
// `source` and `destination`.
// GraphML: keys `label` (int) and `availability` (double) for nodes and
// edges, `source` and `destination` (node labels, int) for the graph, node
// ids "n" + label, edge ids "e" + label, edgedefault directed or undirected.
// CSV: small tables, each a header line and its rows, a blank line between
// them: "directed" (yes or no), "source,destination" (only with a pair),
// "label,availability" (the nodes), "label,from,to,availability" (the edges).
std::string exchangeText(ExchangeFormat format, const ExchangeStructure& structure);

// Writes the text as the structure file writer writes a file: replaced only
// once complete. False with the writer's kind of message.
class ExchangeWriter {
public:
    TextFile file;

    bool writeExchangeFile(const std::string& path, ExchangeFormat format, const ExchangeStructure& structure,
                           std::string& message);
};

} // namespace velmor
