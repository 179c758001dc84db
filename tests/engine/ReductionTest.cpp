#include "algorithms/Reduction.h"
#include "algorithms/WorkStructure.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace velmor;
using namespace velmor::testing;

namespace {

struct Reduced {
    bool ok = false;
    int source = -1;
    int destination = -1;
    ByteMatrix matrix;
    IntArray map;
};

Reduced reduce(const StructureWorkspace& ws, bool directed)
{
    Reduced r;
    (directed ? ws.directedMatrix : ws.undirectedMatrix).copyTo(r.matrix);
    r.source = ws.sourceIndex;
    r.destination = ws.destinationIndex;
    r.ok = reduceStructure(r.source, r.destination, r.matrix, r.map);
    return r;
}

std::vector<int> entries(const IntArray& a)
{
    return std::vector<int>(a.data(), a.data() + a.count());
}

std::vector<int> identity(int n)
{
    std::vector<int> all;
    for (int i = 0; i < n; ++i)
        all.push_back(i);
    return all;
}

int indexOf(const StructureWorkspace& ws, std::int32_t label, std::int32_t kind = NodeKind)
{
    int index = -1;
    EXPECT_TRUE(ws.elements.find(label, kind, index));
    return index;
}

// The kept rows and columns, in their old order.
void expectCellsKept(const ByteMatrix& old, const Reduced& r)
{
    ASSERT_EQ(r.matrix.rowCount(), r.map.count());
    ASSERT_EQ(r.matrix.columnCount(), r.map.count());
    for (int a = 0; a < r.map.count(); ++a)
        for (int b = 0; b < r.map.count(); ++b)
            ASSERT_EQ(r.matrix.get(b, a), old.get(r.map.get(b), r.map.get(a))) << a << "," << b;
}

// Bridge (nodes 1..4, edges 5..9) with a node 10 hanging on node 2 by edge 11.
StructurePlan bridgeWithPendant()
{
    StructurePlan plan = bridge(0.9L);
    plan.nodes.push_back({10, 0.5L});
    plan.edges.push_back({11, 2, 10, 0.5L});
    return plan;
}

// An independent model of the reduction on the element graph: element j goes
// when some other element i, taken out, leaves j neither reachable from the
// source nor able to reach the destination.
std::vector<char> keptByModel(const ByteMatrix& m, int s, int t)
{
    const int n = m.rowCount();
    auto reaches = [&](int from, int cut, bool backwards) {
        std::vector<char> seen(static_cast<std::size_t>(n), 0);
        std::function<void(int)> visit = [&](int x) {
            seen[static_cast<std::size_t>(x)] = 1;
            for (int y = 0; y < n; ++y) {
                const int cell = backwards ? m.get(x, y) : m.get(y, x);
                if (cell == 1 && y != cut && !seen[static_cast<std::size_t>(y)])
                    visit(y);
            }
        };
        visit(from);
        return seen;
    };
    std::vector<char> keep(static_cast<std::size_t>(n), 1);
    for (int cut = 0; cut < n; ++cut) {
        const std::vector<char> fromSource = cut == s ? std::vector<char>(static_cast<std::size_t>(n), 0) : reaches(s, cut, false);
        const std::vector<char> toDestination = cut == t ? std::vector<char>(static_cast<std::size_t>(n), 0) : reaches(t, cut, true);
        for (int j = 0; j < n; ++j)
            if (j != cut && j != s && j != t && !fromSource[static_cast<std::size_t>(j)]
                && !toDestination[static_cast<std::size_t>(j)])
                keep[static_cast<std::size_t>(j)] = 0;
    }
    return keep;
}

// Elements that lie on some simple path from s to t.
std::vector<char> onSimplePaths(const ByteMatrix& m, int s, int t)
{
    const int n = m.rowCount();
    std::vector<char> on(static_cast<std::size_t>(n), 0), used(static_cast<std::size_t>(n), 0);
    std::vector<int> path;
    std::function<void(int)> walk = [&](int x) {
        path.push_back(x);
        used[static_cast<std::size_t>(x)] = 1;
        if (x == t) {
            for (int e : path)
                on[static_cast<std::size_t>(e)] = 1;
        } else {
            for (int y = 0; y < n; ++y)
                if (m.get(y, x) == 1 && !used[static_cast<std::size_t>(y)])
                    walk(y);
        }
        used[static_cast<std::size_t>(x)] = 0;
        path.pop_back();
    };
    walk(s);
    return on;
}

// Availability over an element graph by enumerating the states of its
// uncertain elements; availabilities come through the element map.
long double elementGraphAvailability(const ByteMatrix& m, const IntArray& map, int s, int t,
                                     const ElementList& elements)
{
    const int n = m.rowCount();
    std::vector<long double> p;
    std::vector<int> uncertain;
    for (int i = 0; i < n; ++i) {
        p.push_back(elements.entryAt(map.get(i))->availability);
        if (p.back() > 0 && p.back() < 1)
            uncertain.push_back(i);
    }
    long double total = 0;
    std::vector<char> up(static_cast<std::size_t>(n)), reached(static_cast<std::size_t>(n));
    for (std::uint32_t mask = 0; mask < (1u << uncertain.size()); ++mask) {
        long double probability = 1;
        for (int i = 0; i < n; ++i)
            up[static_cast<std::size_t>(i)] = p[static_cast<std::size_t>(i)] == 1;
        for (std::size_t u = 0; u < uncertain.size(); ++u) {
            const auto i = static_cast<std::size_t>(uncertain[u]);
            up[i] = (mask >> u) & 1u;
            probability *= up[i] ? p[i] : 1 - p[i];
        }
        std::fill(reached.begin(), reached.end(), 0);
        reached[static_cast<std::size_t>(s)] = up[static_cast<std::size_t>(s)];
        for (bool grew = true; grew;) {
            grew = false;
            for (int a = 0; a < n; ++a)
                for (int b = 0; b < n; ++b)
                    if (reached[static_cast<std::size_t>(a)] && !reached[static_cast<std::size_t>(b)]
                        && up[static_cast<std::size_t>(b)] && m.get(b, a) == 1) {
                        reached[static_cast<std::size_t>(b)] = 1;
                        grew = true;
                    }
        }
        if (reached[static_cast<std::size_t>(t)])
            total += probability;
    }
    return total;
}

} // namespace

TEST(ReduceStructure, RefusesUnusableInputAndChangesNothing)
{
    ByteMatrix matrix;
    matrix.allocate(3, 2);
    IntArray map;
    map.allocate(1);
    map.set(0, 7);
    int s = 0, t = 1;
    EXPECT_FALSE(reduceStructure(s, t, matrix, map));
    EXPECT_EQ(matrix.columnCount(), 3);
    EXPECT_EQ(entries(map), std::vector<int>{7});

    matrix.allocate(3, 3);
    matrix.set(1, 0, 1);
    for (auto [source, destination] : {std::pair{-1, 1}, {0, 3}, {3, 0}, {0, -1}}) {
        s = source;
        t = destination;
        EXPECT_FALSE(reduceStructure(s, t, matrix, map));
        EXPECT_EQ(s, source);
        EXPECT_EQ(t, destination);
        EXPECT_EQ(matrix.get(1, 0), 1);
        EXPECT_EQ(entries(map), std::vector<int>{7});
    }
    ByteMatrix empty;
    s = 0;
    t = 0;
    EXPECT_FALSE(reduceStructure(s, t, empty, map));
}

TEST(ReduceStructure, EqualTerminalsChangeNothing)
{
    StructureWorkspace ws;
    buildStructure(ws, bridgeWithPendant());
    Reduced r;
    ws.undirectedMatrix.copyTo(r.matrix);
    r.source = r.destination = 1;
    EXPECT_TRUE(reduceStructure(r.source, r.destination, r.matrix, r.map));
    EXPECT_EQ(r.matrix.rowCount(), ws.elements.count());
    EXPECT_EQ(r.map.count(), 0);
    EXPECT_EQ(r.source, 1);
}

TEST(ReduceStructure, EveryElementOnAConnectionStays)
{
    StructureWorkspace ws;
    buildStructure(ws, bridge(0.9L));
    for (bool directed : {false, true}) {
        const Reduced r = reduce(ws, directed);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(entries(r.map), identity(9));
        EXPECT_EQ(r.source, ws.sourceIndex);
        EXPECT_EQ(r.destination, ws.destinationIndex);
        expectCellsKept(directed ? ws.directedMatrix : ws.undirectedMatrix, r);
    }
}

TEST(ReduceStructure, PendantNodeAndItsEdgeGo)
{
    StructureWorkspace ws;
    buildStructure(ws, bridgeWithPendant());
    const int pendant = indexOf(ws, 10), edge = indexOf(ws, 11, EdgeKind);
    for (bool directed : {false, true}) {
        const Reduced r = reduce(ws, directed);
        ASSERT_TRUE(r.ok);
        std::vector<int> expected;
        for (int i = 0; i < ws.elements.count(); ++i)
            if (i != pendant && i != edge)
                expected.push_back(i);
        EXPECT_EQ(entries(r.map), expected);
        expectCellsKept(directed ? ws.directedMatrix : ws.undirectedMatrix, r);
    }
}

TEST(ReduceStructure, DetachedPartGoes)
{
    StructurePlan plan = bridge(0.9L);
    plan.nodes.push_back({20, 0.5L});
    plan.nodes.push_back({21, 0.5L});
    plan.edges.push_back({22, 20, 21, 0.5L});
    plan.edges.push_back({23, 21, 20, 0.5L});
    StructureWorkspace ws;
    buildStructure(ws, plan);
    const Reduced r = reduce(ws, false);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.map.count(), 9);
    for (std::int32_t label : {20, 21})
        for (int k = 0; k < r.map.count(); ++k)
            EXPECT_NE(r.map.get(k), indexOf(ws, label));
    for (std::int32_t label : {22, 23})
        for (int k = 0; k < r.map.count(); ++k)
            EXPECT_NE(r.map.get(k), indexOf(ws, label, EdgeKind));
}

TEST(ReduceStructure, TerminalsKeepTheirRolesUnderNewIndices)
{
    // The pendant node comes first, so every later index moves down.
    StructurePlan plan;
    plan.nodes = {{10, 0.5L}, {1, 0.6L}, {2, 0.7L}, {3, 0.8L}};
    plan.edges = {{11, 10, 2, 0.5L}, {12, 1, 2, 0.9L}, {13, 2, 3, 0.9L}, {14, 1, 3, 0.9L}};
    plan.source = 3;
    plan.destination = 1;
    StructureWorkspace ws;
    buildStructure(ws, plan);
    ws.reduction = 1;
    ASSERT_TRUE(prepareWorkStructure(ws, false));
    ASSERT_EQ(ws.elementMap.count(), 6);
    EXPECT_EQ(ws.workSourceIndex, 2);
    EXPECT_EQ(ws.workDestinationIndex, 0);
    const ElementEntry* source = ws.elements.entryAt(ws.elementMap.get(ws.workSourceIndex));
    const ElementEntry* destination = ws.elements.entryAt(ws.elementMap.get(ws.workDestinationIndex));
    ASSERT_TRUE(source && destination);
    EXPECT_EQ(source->label, 3);
    EXPECT_EQ(source->availability, 0.8L);
    EXPECT_EQ(destination->label, 1);
    EXPECT_EQ(ws.workElementState.count(), 6);
}

TEST(ReduceStructure, MatchesTheCutModelAndKeepsEveryConnection)
{
    std::mt19937 random(4242);
    RandomShape shape;
    shape.maxNodes = 7;
    shape.maxExtraEdges = 5;
    int removedSomewhere = 0;
    for (int seed = 0; seed < 300; ++seed) {
        const StructurePlan plan = randomStructure(random, shape);
        StructureWorkspace ws;
        buildStructure(ws, plan);
        for (bool directed : {false, true}) {
            const ByteMatrix& old = directed ? ws.directedMatrix : ws.undirectedMatrix;
            const Reduced r = reduce(ws, directed);
            ASSERT_TRUE(r.ok);
            const std::vector<char> model = keptByModel(old, ws.sourceIndex, ws.destinationIndex);
            const std::vector<char> needed = onSimplePaths(old, ws.sourceIndex, ws.destinationIndex);
            std::vector<int> expected;
            for (int i = 0; i < old.rowCount(); ++i) {
                if (model[static_cast<std::size_t>(i)])
                    expected.push_back(i);
                ASSERT_TRUE(!needed[static_cast<std::size_t>(i)] || model[static_cast<std::size_t>(i)]);
            }
            ASSERT_EQ(entries(r.map), expected) << "seed " << seed << (directed ? " directed" : "");
            removedSomewhere += r.map.count() < old.rowCount();
            expectCellsKept(old, r);
            EXPECT_EQ(r.map.get(r.source), ws.sourceIndex);
            EXPECT_EQ(r.map.get(r.destination), ws.destinationIndex);
            if (seed % 5 == 0) {
                const long double before = exactAvailability(plan, directed, false);
                const long double after = elementGraphAvailability(r.matrix, r.map, r.source, r.destination, ws.elements);
                EXPECT_NEAR(static_cast<double>(after), static_cast<double>(before), 1e-15) << seed;
            }
        }
    }
    EXPECT_GT(removedSomewhere, 60);
}
