#include "BenchStructures.h"

#include <cstdio>

#include "algorithms/WorkStructure.h"

#include <random>

namespace velmor::bench {

bool loadInto(StructureWorkspace& ws, const BenchStructure& structure, bool directed)
{
    ws.resetStructure();
    ws.resetResults();
    for (const BenchNode& node : structure.nodes)
        if (!ws.elements.append(node.label, node.availability, NodeKind))
            return false;
    for (const BenchEdge& edge : structure.edges)
        if (!ws.elements.append(edge.label, edge.availability, EdgeKind))
            return false;
    const int n = ws.elements.count();
    if (!ws.directedMatrix.allocate(n, n) || !ws.undirectedMatrix.allocate(n, n))
        return false;
    for (const BenchEdge& edge : structure.edges) {
        int e = -1, a = -1, b = -1;
        if (!ws.elements.find(edge.label, EdgeKind, e) || !ws.elements.find(edge.from, NodeKind, a)
            || !ws.elements.find(edge.to, NodeKind, b))
            return false;
        ws.directedMatrix.set(e, a, 1);
        ws.directedMatrix.set(b, e, 1);
        ws.undirectedMatrix.set(e, a, 1);
        ws.undirectedMatrix.set(a, e, 1);
        ws.undirectedMatrix.set(e, b, 1);
        ws.undirectedMatrix.set(b, e, 1);
    }
    if (!ws.elementState.allocate(n))
        return false;
    for (int i = 0; i < n; ++i) {
        const long double p = ws.elements.entryAt(i)->availability;
        ws.elementState.set(i, p == 0 ? -1 : p == 1 ? 1 : 0);
    }
    if (!ws.elements.find(structure.source, NodeKind, ws.sourceIndex)
        || !ws.elements.find(structure.destination, NodeKind, ws.destinationIndex))
        return false;
    ws.directed = directed ? 1 : 0;
    RunOptions options;
    options.direction = directed ? Direction::Directed : Direction::Undirected;
    return prepareWorkStructure(ws, options);
}

bool loadCase(StructureWorkspace& ws, const BenchStructure& structure, bool directed, const std::string& name)
{
    if (loadInto(ws, structure, directed))
        return true;
    std::fprintf(stderr, "velmor-bench: case %s could not be prepared\n", name.c_str());
    return false;
}

bool caseChosen(const std::string& name, bool inQuick, bool quick, const std::string& filter)
{
    return (!quick || inQuick) && (filter.empty() || name.find(filter) != std::string::npos);
}

BenchStructure squareGrid(int rows, int columns, long double nodeAvailability, long double edgeAvailability)
{
    BenchStructure s;
    auto node = [&](int r, int c) { return r * columns + c + 1; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            s.nodes.push_back({node(r, c), nodeAvailability});
    std::int32_t label = 1;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns)
                s.edges.push_back({label++, node(r, c), node(r, c + 1), edgeAvailability});
            if (r + 1 < rows)
                s.edges.push_back({label++, node(r, c), node(r + 1, c), edgeAvailability});
        }
    }
    s.source = node(0, 0);
    s.destination = node(rows - 1, columns - 1);
    return s;
}

BenchStructure ladder(int rungs, long double nodeAvailability, long double edgeAvailability)
{
    BenchStructure s;
    // First rail 1..rungs, second rail rungs+1..2*rungs.
    for (int i = 1; i <= 2 * rungs; ++i)
        s.nodes.push_back({i, nodeAvailability});
    std::int32_t label = 1;
    for (int i = 1; i <= rungs; ++i) {
        if (i < rungs) {
            s.edges.push_back({label++, i, i + 1, edgeAvailability});
            s.edges.push_back({label++, rungs + i, rungs + i + 1, edgeAvailability});
        }
        s.edges.push_back({label++, i, rungs + i, edgeAvailability});
    }
    s.source = 1;
    s.destination = 2 * rungs;
    return s;
}

BenchStructure completeGraph(int nodes, long double nodeAvailability, long double edgeAvailability)
{
    BenchStructure s;
    for (int i = 1; i <= nodes; ++i)
        s.nodes.push_back({i, nodeAvailability});
    std::int32_t label = 1;
    for (int a = 1; a <= nodes; ++a)
        for (int b = a + 1; b <= nodes; ++b)
            s.edges.push_back({label++, a, b, edgeAvailability});
    s.source = 1;
    s.destination = nodes;
    return s;
}

BenchStructure randomSparse(std::uint32_t seed, int nodes, int extraEdges)
{
    std::mt19937 random(seed);
    static const long double values[] = {0.9L, 0.95L, 0.8L, 0.99L, 0.75L, 0.6L, 0.5L};
    auto availability = [&]() -> long double {
        const unsigned roll = random() % 20;
        if (roll == 0)
            return 1.0L;
        if (roll == 1 && nodes > 0)
            return 0.0L;
        return values[random() % (sizeof values / sizeof values[0])];
    };
    BenchStructure s;
    for (int i = 1; i <= nodes; ++i)
        s.nodes.push_back({i, i == 1 || i == nodes ? 0.99L : availability()});
    std::int32_t label = 1;
    auto addEdge = [&](int a, int b) {
        if (a > b)
            std::swap(a, b);
        s.edges.push_back({label++, a, b, availability()});
    };
    for (int i = 2; i <= nodes; ++i)
        addEdge(1 + static_cast<int>(random() % static_cast<unsigned>(i - 1)), i);
    for (int k = 0; k < extraEdges; ++k) {
        const int a = 1 + static_cast<int>(random() % static_cast<unsigned>(nodes));
        int b = 1 + static_cast<int>(random() % static_cast<unsigned>(nodes));
        if (a == b)
            b = b % nodes + 1;
        addEdge(a, b);
    }
    s.source = 1;
    s.destination = nodes;
    return s;
}

BenchStructure seriesChain(int nodes, long double nodeAvailability, long double edgeAvailability)
{
    BenchStructure s;
    for (int i = 1; i <= nodes; ++i)
        s.nodes.push_back({i, nodeAvailability});
    for (int i = 1; i < nodes; ++i)
        s.edges.push_back({nodes + i, i, i + 1, edgeAvailability});
    s.source = 1;
    s.destination = nodes;
    return s;
}

} // namespace velmor::bench
