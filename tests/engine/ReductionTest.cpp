#include "algorithms/Reduction.h"
#include "algorithms/WorkStructure.h"
#include "algorithms/reference/Reduction.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
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


// The cut steps as the rules state them, cell by cell: for every cut element
// two marked copies of the matrix and searches in passes that turn followed
// arcs into 2. Slow but literal, so that it also says what cells other than
// 0 and 1 do.
std::vector<char> keptByCutSteps(const ByteMatrix& m, int s, int t)
{
    const int n = m.rowCount();
    using Cells = std::vector<std::vector<int>>;
    Cells original(static_cast<std::size_t>(n), std::vector<int>(static_cast<std::size_t>(n)));
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
            original[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = m.get(b, a);
    auto at = [](Cells& c, int a, int b) -> int& { return c[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)]; };
    std::vector<char> keep(static_cast<std::size_t>(n), 1);
    for (int cut = 0; cut < n; ++cut) {
        Cells f = original;
        for (int k = 0; k < n; ++k) {
            if (at(f, cut, k) > 0)
                at(f, cut, k) = -1;
            if (at(f, k, cut) > 0)
                at(f, k, cut) = -1;
        }
        Cells b = f;
        std::vector<int> fwd(static_cast<std::size_t>(n), 0), bwd(static_cast<std::size_t>(n), 0);
        fwd[static_cast<std::size_t>(cut)] = bwd[static_cast<std::size_t>(cut)] = -1;
        fwd[static_cast<std::size_t>(s)] = 1;
        bwd[static_cast<std::size_t>(t)] = 1;
        for (bool reached = true; reached;) {
            reached = false;
            for (int j = 0; j < n; ++j) {
                if (fwd[static_cast<std::size_t>(j)] != 1)
                    continue;
                for (int k = 0; k < n; ++k)
                    if (at(f, j, k) == 1)
                        at(f, j, k) = 2;
                fwd[static_cast<std::size_t>(j)] = -1;
            }
            for (int k = 0; k < n; ++k)
                for (int a = 0; a < n; ++a)
                    if (fwd[static_cast<std::size_t>(k)] == 0 && at(f, a, k) == 2) {
                        fwd[static_cast<std::size_t>(k)] = 1;
                        reached = true;
                    }
        }
        for (bool reached = true; reached;) {
            reached = false;
            for (int j = 0; j < n; ++j) {
                if (bwd[static_cast<std::size_t>(j)] != 1)
                    continue;
                for (int k = 0; k < n; ++k)
                    if (at(b, k, j) == 1)
                        at(b, k, j) = 2;
                bwd[static_cast<std::size_t>(j)] = -1;
            }
            for (int k = 0; k < n; ++k)
                for (int x = 0; x < n; ++x)
                    if (bwd[static_cast<std::size_t>(k)] == 0 && at(b, k, x) == 2) {
                        bwd[static_cast<std::size_t>(k)] = 1;
                        reached = true;
                    }
        }
        for (int j = 0; j < n; ++j)
            if (fwd[static_cast<std::size_t>(j)] == 0 && bwd[static_cast<std::size_t>(j)] == 0)
                keep[static_cast<std::size_t>(j)] = 0;
    }
    return keep;
}

std::vector<int> keptIndices(const std::vector<char>& keep)
{
    std::vector<int> kept;
    for (std::size_t i = 0; i < keep.size(); ++i)
        if (keep[i])
            kept.push_back(static_cast<int>(i));
    return kept;
}

using Reducer = bool (*)(int&, int&, ByteMatrix&, IntArray&);

Reduced reduceWith(Reducer reducer, const ByteMatrix& matrix, int source, int destination)
{
    Reduced r;
    matrix.copyTo(r.matrix);
    r.source = source;
    r.destination = destination;
    // A map left by an earlier run must not show through.
    r.map.allocate(3);
    r.map.set(1, 77);
    r.ok = reducer(r.source, r.destination, r.matrix, r.map);
    return r;
}

// Everything a reduction hands on: the result, the terminals, the map and
// every cell of the work matrix.
void expectSameReduction(const Reduced& production, const Reduced& reference, const std::string& what)
{
    ASSERT_EQ(production.ok, reference.ok) << what;
    EXPECT_EQ(production.source, reference.source) << what;
    EXPECT_EQ(production.destination, reference.destination) << what;
    ASSERT_EQ(entries(production.map), entries(reference.map)) << what;
    ASSERT_EQ(production.matrix.lastRow(), reference.matrix.lastRow()) << what;
    ASSERT_EQ(production.matrix.lastColumn(), reference.matrix.lastColumn()) << what;
    for (int a = 0; a < reference.matrix.rowCount(); ++a)
        for (int b = 0; b < reference.matrix.columnCount(); ++b)
            ASSERT_EQ(production.matrix.get(b, a), reference.matrix.get(b, a)) << what << " cell " << a << "," << b;
}

bool holdsCellAboveOne(const ByteMatrix& m)
{
    for (int a = 0; a < m.rowCount(); ++a)
        for (int b = 0; b < m.columnCount(); ++b)
            if (m.get(b, a) > 1)
                return true;
    return false;
}

// Production refuses a matrix with cells above 1, which only one made by
// hand holds, and leaves it as it was; otherwise it reduces exactly as the
// reference does. Returns how many elements production kept.
int expectReferenceReduction(const ByteMatrix& m, int s, int t, const std::string& what)
{
    const Reduced production = reduceWith(reduceStructure, m, s, t);
    if (s != t && holdsCellAboveOne(m)) {
        EXPECT_FALSE(production.ok) << what;
        EXPECT_EQ(production.source, s) << what;
        EXPECT_EQ(production.destination, t) << what;
        EXPECT_EQ(production.matrix.rowCount(), m.rowCount()) << what;
        return 0;
    }
    expectSameReduction(production, reduceWith(reference::reduceStructure, m, s, t), what);
    return production.map.count();
}

// Hangs further parts on a plan: short paths and small loops off existing
// nodes (one-way now and then), and a part that touches nothing.
void addDanglingParts(std::mt19937& random, StructurePlan& plan)
{
    int label = 1000;
    const int parts = static_cast<int>(random() % 4);
    for (int p = 0; p < parts; ++p) {
        const std::int32_t at = plan.nodes[random() % plan.nodes.size()].label;
        const std::int32_t first = label++;
        const std::int32_t second = label++;
        plan.nodes.push_back({first, 0.9L});
        plan.nodes.push_back({second, 0.8L});
        if (random() % 2)
            plan.edges.push_back({label++, at, first, 0.9L});
        else
            plan.edges.push_back({label++, first, at, 0.9L});
        plan.edges.push_back({label++, first, second, 0.7L});
        if (random() % 2) // closes a loop back onto the node it hangs on
            plan.edges.push_back({label++, second, at, 0.6L});
    }
    if (random() % 3 == 0) {
        plan.nodes.push_back({label, 0.5L});
        plan.nodes.push_back({label + 1, 0.5L});
        plan.edges.push_back({label + 2, label, label + 1, 0.5L});
        plan.edges.push_back({label + 3, label + 1, label, 0.5L});
    }
}

// A square matrix of any cells: arcs between any two elements, loops, and
// now and then a cell other than 0 and 1 (2 only when `withTwo`).
ByteMatrix randomCells(std::mt19937& random, int n, bool withTwo)
{
    static const std::int8_t odd[] = {-1, -2, -128, 3, 127, 2};
    const int oddValues = withTwo ? 6 : 5;
    ByteMatrix m;
    m.allocate(n, n);
    // About 1 to 5 arcs per element: sparse enough for long ways with
    // many cut elements on them.
    const unsigned perThousand = static_cast<unsigned>(1000 * (1 + random() % 5) / n);
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) {
            const unsigned roll = random() % 1000;
            if (roll < perThousand)
                m.set(b, a, 1);
            else if (roll >= 990)
                m.set(b, a, odd[random() % static_cast<unsigned>(oddValues)]);
        }
    return m;
}

// Sprinkles a few odd cells over an incidence matrix.
void addOddCells(std::mt19937& random, ByteMatrix& m, bool withTwo)
{
    static const std::int8_t odd[] = {-1, -128, 3, 127, 1, 2};
    const int values = withTwo ? 6 : 5;
    const int count = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < count; ++k)
        m.set(static_cast<int>(random() % static_cast<unsigned>(m.columnCount())),
              static_cast<int>(random() % static_cast<unsigned>(m.rowCount())), odd[random() % static_cast<unsigned>(values)]);
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
    ASSERT_TRUE(prepareWorkStructure(ws, workOptions(false, true, false)));
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

TEST(ReduceStructure, ReferenceFollowsTheCutStepsCellByCell)
{
    // Includes cells holding 2, which every search counts as an arc it has
    // already followed, so that they reach their element in every cut step
    // that does not block them.
    std::mt19937 random(31337);
    int removedSomewhere = 0;
    for (int seed = 0; seed < 300; ++seed) {
        const int n = 2 + static_cast<int>(random() % 11);
        const ByteMatrix m = randomCells(random, n, true);
        const int s = static_cast<int>(random() % static_cast<unsigned>(n));
        int t = static_cast<int>(random() % static_cast<unsigned>(n));
        if (t == s)
            t = (t + 1) % n;
        const Reduced r = reduceWith(reference::reduceStructure, m, s, t);
        ASSERT_TRUE(r.ok);
        const std::vector<int> expected = keptIndices(keptByCutSteps(m, s, t));
        ASSERT_EQ(entries(r.map), expected) << "seed " << seed;
        removedSomewhere += static_cast<int>(expected.size()) < n;
        expectCellsKept(m, r);
        EXPECT_EQ(r.map.get(r.source), s);
        EXPECT_EQ(r.map.get(r.destination), t);
    }
    EXPECT_GT(removedSomewhere, 100);
}

TEST(ReduceStructure, ProductionMatchesTheReferenceOnSeededStructures)
{
    std::mt19937 random(2718);
    RandomShape shape;
    shape.maxNodes = 12;
    shape.maxExtraEdges = 10;
    int removedSomewhere = 0, compared = 0;
    for (int seed = 0; seed < 400; ++seed) {
        StructurePlan plan = randomStructure(random, shape);
        addDanglingParts(random, plan);
        StructureWorkspace ws;
        buildStructure(ws, plan);
        for (bool directed : {false, true}) {
            ByteMatrix m;
            (directed ? ws.directedMatrix : ws.undirectedMatrix).copyTo(m);
            int s = ws.sourceIndex, t = ws.destinationIndex;
            // Now and then other terminals: any element, the same one twice,
            // or odd cells in the matrix (2 among them only in some).
            switch (seed % 8) {
            case 1: s = static_cast<int>(random() % static_cast<unsigned>(m.rowCount())); break;
            case 2: t = s; break;
            case 3: addOddCells(random, m, false); break;
            case 4: addOddCells(random, m, true); break;
            default: break;
            }
            const std::string what = "seed " + std::to_string(seed) + (directed ? " directed" : " undirected");
            const int kept = expectReferenceReduction(m, s, t, what);
            if (::testing::Test::HasFatalFailure())
                return;
            ++compared;
            removedSomewhere += kept > 0 && kept < m.rowCount();
        }
    }
    // Hand-made matrices: arcs between any elements, loops, odd cells.
    for (int seed = 0; seed < 300; ++seed) {
        const int n = 2 + static_cast<int>(random() % (seed % 3 == 0 ? 120 : 30));
        const ByteMatrix m = randomCells(random, n, seed % 4 == 0);
        const int s = static_cast<int>(random() % static_cast<unsigned>(n));
        const int t = seed % 17 == 0 ? s : static_cast<int>(random() % static_cast<unsigned>(n));
        const std::string what = "cells seed " + std::to_string(seed);
        expectReferenceReduction(m, s, t, what);
        if (::testing::Test::HasFatalFailure())
            return;
        ++compared;
    }
    EXPECT_EQ(compared, 1100);
    EXPECT_GT(removedSomewhere, 300);
}

TEST(ReduceStructure, PocketReachedAndLeftThroughOneElementGoes)
{
    // Directed element graph 0 -> 1 -> 2 -> 3 -> 1 -> 4: elements 2 and 3 are
    // entered only through 1 and lead on only through 1, so taking out 1
    // cuts them off from both sides; 1 itself lies on the way from 0 to 4.
    ByteMatrix m;
    m.allocate(5, 5);
    for (auto [a, b] : {std::pair{0, 1}, {1, 2}, {2, 3}, {3, 1}, {1, 4}})
        m.set(b, a, 1);
    for (Reducer reducer : {Reducer{reduceStructure}, Reducer{reference::reduceStructure}}) {
        const Reduced r = reduceWith(reducer, m, 0, 4);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(entries(r.map), (std::vector<int>{0, 1, 4}));
        EXPECT_EQ(r.source, 0);
        EXPECT_EQ(r.destination, 2);
        expectCellsKept(m, r);
    }
    // With a second way back, 3 -> 4, element 2 still hangs on 1 from the
    // source's side but now reaches the destination past it: both stay.
    m.set(4, 3, 1);
    const Reduced r = reduceWith(reduceStructure, m, 0, 4);
    EXPECT_EQ(entries(r.map), identity(5));
}

TEST(ReduceStructure, LongChainWithPendantsKeepsExactlyTheChain)
{
    // Deep dominator trees: the searches must not recurse. Every 50th node
    // carries a pendant node; those and their edges go, the chain stays and
    // its matrix is kept cell for cell.
    StructurePlan plan = seriesChain(1001, 0.99L, 0.9L);
    for (int i = 50; i < 1001; i += 50) {
        plan.nodes.push_back({10000 + i, 0.5L});
        plan.edges.push_back({20000 + i, i, 10000 + i, 0.5L});
    }
    StructureWorkspace ws;
    buildStructure(ws, plan);
    std::vector<int> gone;
    for (int i = 50; i < 1001; i += 50) {
        gone.push_back(indexOf(ws, 10000 + i));
        gone.push_back(indexOf(ws, 20000 + i, EdgeKind));
    }
    for (bool directed : {false, true}) {
        const Reduced r = reduce(ws, directed);
        ASSERT_TRUE(r.ok);
        std::vector<int> expected;
        for (int i = 0; i < ws.elements.count(); ++i)
            if (std::find(gone.begin(), gone.end(), i) == gone.end())
                expected.push_back(i);
        EXPECT_EQ(entries(r.map), expected);
        expectCellsKept(directed ? ws.directedMatrix : ws.undirectedMatrix, r);
        EXPECT_EQ(r.map.get(r.source), ws.sourceIndex);
        EXPECT_EQ(r.map.get(r.destination), ws.destinationIndex);
    }
}
