#pragma once

// The structures the benchmark measures, generated in code so that every run
// measures exactly the same input.

#include "structure/StructureWorkspace.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::bench {

struct BenchNode {
    std::int32_t label;
    long double availability;
};

struct BenchEdge {
    std::int32_t label;
    std::int32_t from; // node label
    std::int32_t to;   // node label
    long double availability;
};

struct BenchStructure {
    std::vector<BenchNode> nodes;
    std::vector<BenchEdge> edges;
    std::int32_t source = 0;      // node label
    std::int32_t destination = 0; // node label

    int elementCount() const { return static_cast<int>(nodes.size() + edges.size()); }
};

// Loads the structure into the workspace as reading a file would (nodes, then
// edges, both incidence matrices, element states, terminals) and prepares
// the work structure without reduction. False when the workspace refuses it.
bool loadInto(StructureWorkspace& ws, const BenchStructure& structure, bool directed);
// loadInto, saying on stderr which case could not be prepared.
bool loadCase(StructureWorkspace& ws, const BenchStructure& structure, bool directed, const std::string& name);

// Whether a case runs: every case unless `quick` asks for the quick ones
// only, and only those whose name holds `filter` (empty: all).
bool caseChosen(const std::string& name, bool inQuick, bool quick, const std::string& filter);

// rows x columns nodes, edges to the right and downwards; from the top-left
// corner to the bottom-right one.
BenchStructure squareGrid(int rows, int columns, long double nodeAvailability, long double edgeAvailability);

// Two rails of `rungs` nodes joined by a rung at every position; from the
// start of the first rail to the end of the second.
BenchStructure ladder(int rungs, long double nodeAvailability, long double edgeAvailability);

// Every pair of nodes joined by an edge from the lower to the higher label;
// from the first node to the last.
BenchStructure completeGraph(int nodes, long double nodeAvailability, long double edgeAvailability);

// A seeded random sparse structure: a random tree over `nodes` nodes plus
// `extraEdges` further edges, every edge from the lower to the higher node so
// that the directed form has paths too; a few elements of availability 1 or 0.
BenchStructure randomSparse(std::uint32_t seed, int nodes, int extraEdges);

// nodes nodes in a row, joined by nodes - 1 edges.
BenchStructure seriesChain(int nodes, long double nodeAvailability, long double edgeAvailability);

} // namespace velmor::bench
