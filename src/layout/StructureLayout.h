#pragma once

#include <string>
#include <vector>

namespace velmor {

// Which Graphviz layout places the picture: dot draws in ranks from the
// source towards the destination, neato and sfdp by forces (sfdp for large
// structures, where neato's spline routing gets slow).
enum class LayoutEngine { Automatic, Dot, Neato, Sfdp };

// The engine that Automatic stands for, by the number of elements (nodes
// and edges): dot for small structures, neato for larger ones, sfdp beyond.
// Directed or not: on a large structure with many cycles dot's ranks give
// long edges winding across the whole picture, and take seconds (5 s for
// 100 nodes and 200 edges, neato 0.5 s); neato takes as long from about 1000
// elements on (a 20 x 20 grid: neato 5 s, sfdp 1.6 s).
LayoutEngine automaticEngine(int nodeCount, int edgeCount);
inline constexpr int kNeatoFromElements = 100;
inline constexpr int kSfdpFromElements = 600;

const char* engineName(LayoutEngine engine);

// Geometry is in points, with the origin at the top left of the bounding
// box and y growing downwards (as the drawing wants it).
struct LayoutPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const LayoutPoint&, const LayoutPoint&) = default;
};

// A node is an ellipse of the given size (a circle when both are equal).
struct LayoutNodeInput {
    double width = 0;
    double height = 0;
};

// An edge between two nodes (positions in the node list, possibly equal)
// with a label box of the given size beside it (0 by 0: no label).
struct LayoutEdgeInput {
    int from = 0;
    int to = 0;
    double labelWidth = 0;
    double labelHeight = 0;
};

struct LayoutInput {
    std::vector<LayoutNodeInput> nodes;
    std::vector<LayoutEdgeInput> edges;
    bool directed = true; // arrowheads at the edges' to-ends
    LayoutEngine engine = LayoutEngine::Automatic;
    // Nodes that dot puts first and last in the flow (the source and the
    // destination); -1 for none.
    int first = -1;
    int last = -1;
};

struct NodePlacement {
    LayoutPoint centre;
    double width = 0;
    double height = 0;
    friend bool operator==(const NodePlacement&, const NodePlacement&) = default;
};

// An edge as a polyline from the boundary of its from-node to that of its
// to-node; with `arrow` the last segment ends in the arrowhead's tip.
struct EdgeRoute {
    std::vector<LayoutPoint> points;
    bool arrow = false;
    bool labelPlaced = false;
    LayoutPoint labelCentre;
    friend bool operator==(const EdgeRoute&, const EdgeRoute&) = default;
};

struct StructureLayout {
    bool ok = false;
    std::string message; // what Graphviz said when it failed
    LayoutEngine engine = LayoutEngine::Dot; // the one that ran
    double width = 0;
    double height = 0;
    std::vector<NodePlacement> nodes; // in input order
    std::vector<EdgeRoute> edges;
};

// Lays the nodes and edges out with Graphviz. Only the geometry comes back:
// the picture is drawn by its window. The same input always gives the same
// layout. Not to be called from two threads at once (Graphviz keeps global
// state); calls are serialised here.
StructureLayout layOutStructure(const LayoutInput& input);

} // namespace velmor
