#include "TestStructures.h"

#include <stdexcept>

namespace velmor::testing {

void buildStructure(StructureWorkspace& ws, const StructurePlan& plan)
{
    ws.resetStructure();
    for (const NodePlan& node : plan.nodes)
        if (!ws.elements.append(node.label, node.availability, NodeKind))
            throw std::invalid_argument("node refused");
    for (const EdgePlan& edge : plan.edges)
        if (!ws.elements.append(edge.label, edge.availability, EdgeKind))
            throw std::invalid_argument("edge refused");
    const int n = ws.elements.count();
    ws.directedMatrix.allocate(n, n);
    ws.undirectedMatrix.allocate(n, n);
    for (const EdgePlan& edge : plan.edges) {
        int e = -1, a = -1, b = -1;
        ws.elements.find(edge.label, EdgeKind, e);
        if (!ws.elements.find(edge.from, NodeKind, a) || !ws.elements.find(edge.to, NodeKind, b))
            throw std::invalid_argument("edge names a missing node");
        ws.directedMatrix.set(e, a, 1);
        ws.directedMatrix.set(b, e, 1);
        ws.undirectedMatrix.set(e, a, 1);
        ws.undirectedMatrix.set(a, e, 1);
        ws.undirectedMatrix.set(e, b, 1);
        ws.undirectedMatrix.set(b, e, 1);
    }
    ws.elementState.allocate(n);
    for (int i = 0; i < n; ++i) {
        const long double p = ws.elements.entryAt(i)->availability;
        ws.elementState.set(i, p == 0 ? -1 : p == 1 ? 1 : 0);
    }
    ws.sourceIndex = -1;
    ws.destinationIndex = -1;
    ws.elements.find(plan.source, NodeKind, ws.sourceIndex);
    ws.elements.find(plan.destination, NodeKind, ws.destinationIndex);
}

RunOptions workOptions(bool directed, bool reduction, bool idealTerminals)
{
    RunOptions options;
    options.direction = directed ? Direction::Directed : Direction::Undirected;
    options.reduction = reduction;
    options.idealTerminals = idealTerminals;
    return options;
}

long double exactAvailability(const StructurePlan& plan, bool directed, bool idealTerminals)
{
    // Elements: nodes 0..N-1, edges N..N+E-1.
    const int nodeCount = static_cast<int>(plan.nodes.size());
    const int count = nodeCount + static_cast<int>(plan.edges.size());
    auto nodeIndex = [&](std::int32_t label) {
        for (int i = 0; i < nodeCount; ++i)
            if (plan.nodes[static_cast<std::size_t>(i)].label == label)
                return i;
        throw std::invalid_argument("unknown node");
    };
    const int s = nodeIndex(plan.source);
    const int t = nodeIndex(plan.destination);
    std::vector<long double> p(static_cast<std::size_t>(count));
    for (int i = 0; i < nodeCount; ++i)
        p[static_cast<std::size_t>(i)] = plan.nodes[static_cast<std::size_t>(i)].availability;
    for (std::size_t k = 0; k < plan.edges.size(); ++k)
        p[static_cast<std::size_t>(nodeCount) + k] = plan.edges[k].availability;
    if (idealTerminals) {
        p[static_cast<std::size_t>(s)] = 1;
        p[static_cast<std::size_t>(t)] = 1;
    }
    std::vector<int> uncertain;
    for (int i = 0; i < count; ++i)
        if (p[static_cast<std::size_t>(i)] > 0 && p[static_cast<std::size_t>(i)] < 1)
            uncertain.push_back(i);
    if (uncertain.size() > 24)
        throw std::invalid_argument("too many uncertain elements to enumerate");

    struct Arc { int from, edge, to; };
    std::vector<Arc> arcs;
    for (std::size_t k = 0; k < plan.edges.size(); ++k) {
        const int e = nodeCount + static_cast<int>(k);
        const int a = nodeIndex(plan.edges[k].from);
        const int b = nodeIndex(plan.edges[k].to);
        arcs.push_back({a, e, b});
        if (!directed)
            arcs.push_back({b, e, a});
    }

    std::vector<char> up(static_cast<std::size_t>(count));
    std::vector<char> reached(static_cast<std::size_t>(nodeCount));
    long double total = 0;
    const std::uint32_t states = 1u << uncertain.size();
    for (std::uint32_t mask = 0; mask < states; ++mask) {
        long double probability = 1;
        for (int i = 0; i < count; ++i)
            up[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i)] == 1;
        for (std::size_t u = 0; u < uncertain.size(); ++u) {
            const auto i = static_cast<std::size_t>(uncertain[u]);
            const bool works = (mask >> u) & 1u;
            up[i] = works;
            probability *= works ? p[i] : 1 - p[i];
        }
        if (!up[static_cast<std::size_t>(s)] || !up[static_cast<std::size_t>(t)])
            continue;
        std::fill(reached.begin(), reached.end(), 0);
        reached[static_cast<std::size_t>(s)] = 1;
        for (bool grew = true; grew;) {
            grew = false;
            for (const Arc& arc : arcs) {
                if (reached[static_cast<std::size_t>(arc.from)] && !reached[static_cast<std::size_t>(arc.to)]
                    && up[static_cast<std::size_t>(arc.edge)] && up[static_cast<std::size_t>(arc.to)]) {
                    reached[static_cast<std::size_t>(arc.to)] = 1;
                    grew = true;
                }
            }
        }
        if (reached[static_cast<std::size_t>(t)])
            total += probability;
    }
    return total;
}

namespace {

long double randomAvailability(std::mt19937& random, double certainShare)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (unit(random) < certainShare)
        return unit(random) < 0.7 ? 1.0L : 0.0L;
    // Short decimals keep files and reports readable; a few odd values too.
    static const long double values[] = {0.5L, 0.9L, 0.95L, 0.8L, 0.99L, 0.75L, 0.6L, 0.123456789L, 0.3L};
    return values[random() % (sizeof values / sizeof values[0])];
}

} // namespace

StructurePlan randomStructure(std::mt19937& random, const RandomShape& shape)
{
    StructurePlan plan;
    const int nodes = shape.minNodes + static_cast<int>(random() % static_cast<unsigned>(shape.maxNodes - shape.minNodes + 1));
    int label = 1 + static_cast<int>(random() % 5);
    for (int i = 0; i < nodes; ++i) {
        plan.nodes.push_back({label, randomAvailability(random, shape.certainShare)});
        label += 1 + static_cast<int>(random() % 3);
    }
    auto nodeLabel = [&](int i) { return plan.nodes[static_cast<std::size_t>(i)].label; };
    int edgeLabel = 1 + static_cast<int>(random() % 7);
    auto addEdge = [&](int a, int b) {
        plan.edges.push_back({edgeLabel, nodeLabel(a), nodeLabel(b), randomAvailability(random, shape.certainShare)});
        edgeLabel += 1 + static_cast<int>(random() % 2);
    };
    // A backbone that usually connects everything, then extra edges.
    for (int i = 1; i < nodes; ++i) {
        if (shape.allowDisconnected && random() % 8 == 0)
            continue;
        const int a = static_cast<int>(random() % static_cast<unsigned>(i));
        if (random() % 2)
            addEdge(a, i);
        else
            addEdge(i, a);
    }
    const int extra = static_cast<int>(random() % static_cast<unsigned>(shape.maxExtraEdges + 1));
    for (int k = 0; k < extra; ++k) {
        const int a = static_cast<int>(random() % static_cast<unsigned>(nodes));
        int b = static_cast<int>(random() % static_cast<unsigned>(nodes));
        if (a == b)
            b = (b + 1) % nodes;
        addEdge(a, b);
    }
    if (plan.edges.empty())
        addEdge(0, nodes - 1);
    plan.source = nodeLabel(static_cast<int>(random() % static_cast<unsigned>(nodes)));
    do {
        plan.destination = nodeLabel(static_cast<int>(random() % static_cast<unsigned>(nodes)));
    } while (plan.destination == plan.source);
    return plan;
}

StructurePlan seriesChain(int nodes, long double nodeAvailability, long double edgeAvailability)
{
    StructurePlan plan;
    for (int i = 1; i <= nodes; ++i)
        plan.nodes.push_back({i, nodeAvailability});
    for (int i = 1; i < nodes; ++i)
        plan.edges.push_back({nodes + i, i, i + 1, edgeAvailability});
    plan.source = 1;
    plan.destination = nodes;
    return plan;
}

StructurePlan bridge(long double edgeAvailability)
{
    StructurePlan plan;
    for (int i = 1; i <= 4; ++i)
        plan.nodes.push_back({i, 1});
    plan.edges = {{5, 1, 2, edgeAvailability}, {6, 1, 3, edgeAvailability}, {7, 2, 3, edgeAvailability},
                  {8, 2, 4, edgeAvailability}, {9, 3, 4, edgeAvailability}};
    plan.source = 1;
    plan.destination = 4;
    return plan;
}

StructurePlan grid(int rows, int columns, long double nodeAvailability, long double edgeAvailability)
{
    StructurePlan plan;
    auto label = [&](int r, int c) { return r * columns + c + 1; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            plan.nodes.push_back({label(r, c), nodeAvailability});
    int edge = rows * columns + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            if (c + 1 < columns)
                plan.edges.push_back({edge++, label(r, c), label(r, c + 1), edgeAvailability});
            if (r + 1 < rows)
                plan.edges.push_back({edge++, label(r, c), label(r + 1, c), edgeAvailability});
        }
    plan.source = label(0, 0);
    plan.destination = label(rows - 1, columns - 1);
    return plan;
}

} // namespace velmor::testing
