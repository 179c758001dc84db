#include "algorithms/reference/Abraham.h"
#include "algorithms/WorkStructure.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <random>
#include <thread>

using namespace velmor;
using namespace velmor::reference;
using namespace velmor::testing;

namespace {

struct Options {
    bool directed = false;
    bool reduction = false;
    bool ideal = false;
    bool normal = true;
    int rule = 2;
};

// A workspace holding one structure, set up as a run sets it up, and the
// outcome of one Abraham run on it.
class AbrahamCase {
public:
    explicit AbrahamCase(const StructurePlan& plan, const Options& options = {}) : options_(options)
    {
        buildStructure(ws, plan);
        abraham.variant = options.rule;
        abraham.normal = options.normal;
        prepared = prepareWorkStructure(ws, workOptions(options.directed, options.reduction, options.ideal));
    }

    bool run()
    {
        AlgorithmRun record(Algorithm::Abraham, ws.abraham, abraham);
        ok = runAbraham(record, ws, terms);
        return ok;
    }

    long double availability() const
    {
        long double value = -1;
        EXPECT_TRUE(evaluateTerms(terms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                                  value, options_.ideal));
        return value;
    }

    int pathCount() const { return ws.abrahamPaths.rowCount(); }
    int workIndex(std::int32_t label, std::int32_t kind = NodeKind) const
    {
        int index = -1;
        EXPECT_TRUE(ws.elements.find(label, kind, index));
        for (int w = 0; w <= ws.elementMap.lastIndex(); ++w)
            if (ws.elementMap.get(w) == index)
                return w;
        return -1;
    }

    StructureWorkspace ws;
    AlgorithmOptions abraham;
    TermRows terms;
    bool prepared = false;
    bool ok = false;

private:
    Options options_;
};

template <typename Matrix>
std::vector<int> cellsOf(const Matrix& m, int r)
{
    std::vector<int> cells;
    for (int c = 0; c <= m.lastColumn(); ++c)
        cells.push_back(m.get(c, r));
    return cells;
}

template <typename Matrix>
std::vector<int> elementsOf(const Matrix& paths, int r)
{
    std::vector<int> on;
    for (int c = 0; c <= paths.lastColumn(); ++c)
        if (paths.get(c, r) == 1)
            on.push_back(c);
    return on;
}

bool disjoint(const TermRows& terms, int a, int b)
{
    for (int c = 0; c <= terms.lastColumn(); ++c)
        if (terms.get(c, a) * terms.get(c, b) == -1)
            return true;
    return false;
}

void expectNear(long double actual, long double expected, const std::string& what)
{
    const long double tolerance = 1e-15L * std::max(1.0L, std::fabs(expected));
    EXPECT_NEAR(static_cast<double>(actual), static_cast<double>(expected), static_cast<double>(tolerance)) << what;
}

// What every complete, consistent run must show: mutually exclusive terms,
// each implying the path it came from, the path order kept by the links, and
// the counters of a full product phase.
void expectConsistentRun(const AbrahamCase& c, const std::string& what)
{
    const StructureWorkspace& ws = c.ws;
    const TermRows& terms = c.terms;
    const int paths = c.pathCount();
    ASSERT_EQ(ws.abraham.links.count(), terms.rowCount()) << what;
    EXPECT_EQ(ws.abraham.iterations.load(), paths * (paths - 1) / 2) << what;
    EXPECT_EQ(ws.abraham.memoryLog.lastIndex(), paths == 0 ? -1 : paths == 1 ? 1 : paths * (paths - 1) / 2) << what;
    EXPECT_EQ(ws.abraham.anomalies.load(), 0) << what;
    if (paths >= 2) {
        EXPECT_EQ(ws.abraham.progressDone.load(), paths - 1) << what;
        EXPECT_EQ(ws.abraham.progressTotal.load(), paths - 1) << what;
    }
    int previous = 0;
    for (int k = 0; k < terms.rowCount(); ++k) {
        const int path = ws.abraham.links.get(k);
        EXPECT_GE(path, previous) << what;
        previous = path;
        bool marked = false;
        for (int c = 0; c <= terms.lastColumn(); ++c)
            marked = marked || terms.get(c, k) != 0;
        EXPECT_TRUE(marked) << what << ": term " << k << " has no condition";
        for (int e : elementsOf(ws.abrahamPaths, path))
            EXPECT_EQ(terms.get(e, k), 1) << what << ": term " << k << " does not imply path " << path;
    }
    if (terms.rowCount() > 300)
        return; // the pairwise check would dominate the test time
    for (int a = 0; a < terms.rowCount(); ++a)
        for (int b = a + 1; b < terms.rowCount(); ++b)
            ASSERT_TRUE(disjoint(terms, a, b)) << what << ": terms " << a << " and " << b << " overlap";
}

std::string describe(int seed, const Options& o)
{
    return "seed " + std::to_string(seed) + (o.directed ? " directed" : " undirected")
         + (o.reduction ? " reduced" : "") + (o.ideal ? " ideal" : " real") + (o.normal ? " normalno" : " posebno")
         + " rule " + std::to_string(o.rule);
}

long double bridgeClosedForm(long double p)
{
    return 2 * p * p + 2 * p * p * p - 5 * std::pow(p, 4.0L) + 2 * std::pow(p, 5.0L);
}

// s - e1 - t twice in parallel, plus s - e3 - a - e4 - t.
StructurePlan twoShortOneLong(long double p)
{
    StructurePlan plan;
    plan.nodes = {{1, p}, {2, p}, {3, p}};
    plan.edges = {{10, 1, 2, p}, {11, 1, 3, p}, {12, 1, 2, p}, {13, 3, 2, p}};
    plan.source = 1;
    plan.destination = 2;
    return plan;
}

ByteMatrix matrixOf(const std::vector<std::vector<int>>& rows)
{
    ByteMatrix m;
    m.allocate(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            m.set(static_cast<int>(c), static_cast<int>(r), static_cast<std::int8_t>(rows[r][c]));
    return m;
}

std::vector<int> entries(const IntArray& a)
{
    return std::vector<int>(a.data(), a.data() + a.count());
}

std::vector<int> entries(const LinkArray& a)
{
    std::vector<int> values;
    a.forEach([&](int, std::int32_t value) { values.push_back(value); });
    return values;
}

} // namespace

// --- Whole runs against exact enumeration ------------------------------------------

TEST(Abraham, RandomStructuresMatchEnumeration)
{
    std::mt19937 random(20240611);
    RandomShape sparse; // loose parts, certain elements, unreachable destinations
    sparse.minNodes = 3;
    sparse.maxNodes = 7;
    sparse.maxExtraEdges = 5;
    RandomShape dense; // many paths
    dense.minNodes = 4;
    dense.maxNodes = 6;
    dense.maxExtraEdges = 8;
    dense.certainShare = 0.1;
    dense.allowDisconnected = false;
    int certainCases = 0;
    for (int seed = 0; seed < 240; ++seed) {
        const StructurePlan plan = randomStructure(random, seed % 2 ? dense : sparse);
        for (int flags = 0; flags < 4; ++flags) {
            Options o;
            o.directed = flags & 1;
            o.ideal = flags & 2;
            const long double exact = exactAvailability(plan, o.directed, o.ideal);
            for (int variant = 0; variant < 12; ++variant) {
                o.reduction = variant & 1;
                o.normal = variant & 2;
                o.rule = variant >> 2;
                const std::string what = describe(seed, o);
                AbrahamCase c(plan, o);
                ASSERT_TRUE(c.prepared) << what;
                ASSERT_TRUE(c.run()) << what;
                certainCases += exact == 1 || exact == 0;
                expectNear(c.availability(), exact, what);
                expectConsistentRun(c, what);
                if (::testing::Test::HasFailure())
                    return;
            }
        }
    }
    EXPECT_GT(certainCases, 0); // the seeds cover certainly connected and never connected structures
}

// Source and destination of availability 1 joined by an edge of
// availability 1 and, in parallel, by one of 0.5: connected for certain.
TEST(Abraham, CertainPathBesideAnUncertainOneGivesOne)
{
    StructurePlan plan;
    plan.nodes = {{1, 1}, {2, 1}};
    plan.edges = {{3, 1, 2, 1}, {4, 1, 2, 0.5L}};
    plan.source = 1;
    plan.destination = 2;
    for (bool reduction : {false, true}) {
        Options o;
        o.reduction = reduction;
        o.normal = true;
        AbrahamCase c(plan, o);
        ASSERT_TRUE(c.run());
        EXPECT_EQ(c.availability(), 1);
        EXPECT_EQ(c.pathCount(), 1);
    }
}

// With ideal terminals a terminal of availability 0 still counts as working.
TEST(Abraham, IdealTerminalOfAvailabilityZero)
{
    StructurePlan chain = seriesChain(3, 0.9L, 0.9L);
    chain.nodes.back().availability = 0;
    chain.nodes.front().availability = 0;
    for (bool normal : {true, false}) {
        Options o;
        o.ideal = true;
        o.normal = normal;
        AbrahamCase c(chain, o);
        ASSERT_TRUE(c.run());
        EXPECT_NEAR(static_cast<double>(c.availability()), 0.9 * 0.9 * 0.9, 1e-15);
        o.ideal = false;
        AbrahamCase real(chain, o);
        ASSERT_TRUE(real.run());
        EXPECT_EQ(real.availability(), 0);
    }
}



TEST(Abraham, BridgeUnderEveryOption)
{
    for (int variant = 0; variant < 24; ++variant) {
        Options o;
        o.reduction = variant & 1;
        o.normal = variant & 2;
        o.ideal = variant & 4;
        o.rule = variant >> 3;
        AbrahamCase c(bridge(0.9L), o);
        ASSERT_TRUE(c.run());
        expectNear(c.availability(), bridgeClosedForm(0.9L), describe(0, o));
        EXPECT_NEAR(static_cast<double>(c.availability()), 0.97848, 1e-15);
        EXPECT_EQ(c.pathCount(), 4);
        expectConsistentRun(c, describe(0, o));
    }
}

TEST(Abraham, DirectedGridMatchesEnumeration)
{
    for (bool directed : {false, true}) {
        const StructurePlan plan = grid(3, 3, 1, 0.8L);
        Options o;
        o.directed = directed;
        AbrahamCase c(plan, o);
        ASSERT_TRUE(c.run());
        expectNear(c.availability(), exactAvailability(plan, directed, false), directed ? "directed" : "undirected");
        expectConsistentRun(c, "grid");
        EXPECT_EQ(c.pathCount(), directed ? 6 : 12);
    }
}

// --- The phases and their counters -----------------------------------------------

TEST(Abraham, OnePathGivesOneTermWithoutIterations)
{
    const StructurePlan plan = seriesChain(4, 0.9L, 0.8L);
    Options o;
    o.rule = 1;
    AbrahamCase c(plan, o);
    ASSERT_TRUE(c.run());
    ASSERT_EQ(c.terms.rowCount(), 1);
    EXPECT_EQ(cellsOf(c.terms, 0), std::vector<int>(7, 1));
    EXPECT_EQ(entries(c.ws.abraham.links), std::vector<int>{0});
    EXPECT_EQ(c.ws.abraham.iterations.load(), 0);
    EXPECT_EQ(c.ws.abraham.progressTotal.load(), 0);
    expectNear(c.availability(), std::pow(0.9L, 4.0L) * std::pow(0.8L, 3.0L), "chain");
    // One sample: paths, links, products and the missing-element marks; the
    // term lists are empty.
    ASSERT_EQ(c.ws.abraham.memoryLog.lastIndex(), 1);
    const std::int64_t oneRowOfSeven = (6 + 4) * 0 + 4;
    EXPECT_EQ(c.ws.abraham.memoryLog.sample(1), oneRowOfSeven + 4 + oneRowOfSeven + 4 * 7);
    EXPECT_EQ(c.ws.abraham.memoryLog.sample(0), c.ws.abraham.memoryLog.sample(1));
    EXPECT_EQ(c.ws.abraham.anomalies.load(), 0);
}

TEST(Abraham, SecondPathExcludesTheFirstElementByElement)
{
    // Paths A = 1-e5-3-e6-2 and B = 1-e7-4-e8-2 share only the terminals.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.9L}, {3, 0.9L}, {4, 0.9L}};
    plan.edges = {{5, 1, 3, 0.8L}, {6, 3, 2, 0.8L}, {7, 1, 4, 0.7L}, {8, 4, 2, 0.7L}};
    plan.source = 1;
    plan.destination = 2;
    AbrahamCase c(plan);
    ASSERT_TRUE(c.run());
    ASSERT_EQ(c.pathCount(), 2);
    const int a = c.workIndex(3), e5 = c.workIndex(5, EdgeKind), e6 = c.workIndex(6, EdgeKind);
    std::vector<int> pathA(8, 0), pathB(8, 0);
    for (int x : {c.workIndex(1), a, e5, e6, c.workIndex(2)})
        pathA[static_cast<std::size_t>(x)] = 1;
    for (int x : {c.workIndex(1), c.workIndex(4), c.workIndex(7, EdgeKind), c.workIndex(8, EdgeKind), c.workIndex(2)})
        pathB[static_cast<std::size_t>(x)] = 1;
    ASSERT_LT(a, e5);
    ASSERT_LT(e5, e6);
    ASSERT_EQ(c.terms.rowCount(), 4);
    EXPECT_EQ(cellsOf(c.terms, 0), pathA);
    std::vector<int> expected = pathB;
    for (int row = 1; int x : {a, e5, e6}) {
        expected[static_cast<std::size_t>(x)] = -1;
        EXPECT_EQ(cellsOf(c.terms, row++), expected);
        expected[static_cast<std::size_t>(x)] = 1;
    }
    EXPECT_EQ(entries(c.ws.abraham.links), (std::vector<int>{0, 1, 1, 1}));
    EXPECT_EQ(c.ws.abraham.iterations.load(), 1);
    EXPECT_EQ(c.ws.abraham.partialCount.load(), 2);
    // The sample of the one iteration: paths, links and products as they
    // stood before B's terms were appended, W with B's three terms, X.
    const std::int64_t columns = 8;
    const std::int64_t twoPaths = (columns - 1 + 4) * 1 + 4;
    const std::int64_t threeTerms = (columns - 1 + 4) * 2 + 4;
    EXPECT_EQ(c.ws.abraham.memoryLog.sample(1), twoPaths + 4 + 4 + threeTerms + 4 * columns);
    expectNear(c.availability(), exactAvailability(plan, false, false), "two paths");
}

TEST(Abraham, FoundPathsKeepOneRowPerPartialPath)
{
    AbrahamCase c(twoShortOneLong(0.9L));
    AlgorithmRun run(Algorithm::Abraham, c.ws.abraham, c.abraham);
    ASSERT_TRUE(findMinimalPaths(run, c.ws));
    // Elements: nodes 0..2, edges 3..6; one state column after them.
    const ByteMatrix& found = c.ws.abrahamPaths;
    ASSERT_EQ(found.columnCount(), 8);
    // {s}, {s,e10}, {s,e11}, {s,e12}, then the three extensions, then the long path's last two rows.
    ASSERT_EQ(found.rowCount(), 9);
    std::vector<std::vector<int>> complete;
    for (int r = 0; r < found.rowCount(); ++r)
        if (found.get(7, r) == 1)
            complete.push_back(cellsOf(found, r));
        else
            EXPECT_EQ(found.get(7, r), -1);
    ASSERT_EQ(complete.size(), 3u);
    EXPECT_EQ(complete[0], (std::vector<int>{1, 1, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(complete[1], (std::vector<int>{1, 1, 0, 0, 0, 1, 0, 1}));
    EXPECT_EQ(complete[2], (std::vector<int>{1, 1, 1, 0, 1, 0, 1, 1}));
}

TEST(Abraham, RuleOneOrdersByElementCountStably)
{
    // Found order 3, 5, 3 elements; a discarded row in between.
    const std::vector<std::vector<int>> found = {
        {1, 1, 1, 0, 0, 0, 1},  {1, 1, 0, 0, 0, 0, -1}, {1, 1, 0, 1, 1, 1, 1},
        {1, 0, 1, 0, 0, 1, 1},
    };
    ByteMatrix paths = matrixOf(found);
    IntArray lengths, overlaps;
    ASSERT_TRUE(sortPaths(paths, lengths, overlaps, 1));
    ASSERT_EQ(paths.rowCount(), 3);
    ASSERT_EQ(paths.columnCount(), 6);
    EXPECT_EQ(cellsOf(paths, 0), (std::vector<int>{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(cellsOf(paths, 1), (std::vector<int>{1, 0, 1, 0, 0, 1}));
    EXPECT_EQ(cellsOf(paths, 2), (std::vector<int>{1, 1, 0, 1, 1, 1}));
    EXPECT_EQ(entries(lengths), (std::vector<int>{3, 3, 5}));
    EXPECT_EQ(entries(overlaps), (std::vector<int>{0, 0, 0}));

    ByteMatrix unsorted = matrixOf(found);
    ASSERT_TRUE(sortPaths(unsorted, lengths, overlaps, 0));
    ASSERT_EQ(unsorted.rowCount(), 3);
    EXPECT_EQ(cellsOf(unsorted, 1), (std::vector<int>{1, 1, 0, 1, 1, 1}));
    EXPECT_EQ(lengths.count(), 0);
}

TEST(Abraham, RuleTwoPutsPathsSharingMoreWithShorterOnesFirst)
{
    // Over elements 0..7: P0 {0,1}; P1 {0,2,3}; P2 {0,1,4}; P3 {5,6,7};
    // P4 {0,1,2,3}; P5 {1,5,6}. Found order P3, P5, P1, P4, P0, P2.
    auto row = [](std::initializer_list<int> on) {
        std::vector<int> cells(9, 0);
        for (int e : on)
            cells[static_cast<std::size_t>(e)] = 1;
        cells[8] = 1;
        return cells;
    };
    const auto p0 = row({0, 1}), p1 = row({0, 2, 3}), p2 = row({0, 1, 4}), p3 = row({5, 6, 7}),
               p4 = row({0, 1, 2, 3}), p5 = row({1, 5, 6});
    ByteMatrix paths = matrixOf({p3, p5, p1, p4, p0, p2});
    IntArray lengths, overlaps;
    ASSERT_TRUE(sortPaths(paths, lengths, overlaps, 2));
    // Overlaps with the lower groups: P2 2, P5 1, P1 1, P3 0 (ties keep the
    // rule 1a order P5 before P1); P4 shares 2+0+1+3+2 with the five shorter.
    const std::vector<std::vector<int>> expected = {p0, p2, p5, p1, p3, p4};
    ASSERT_EQ(paths.rowCount(), 6);
    for (int k = 0; k < 6; ++k) {
        std::vector<int> cells = expected[static_cast<std::size_t>(k)];
        cells.pop_back();
        EXPECT_EQ(cellsOf(paths, k), cells) << k;
    }
    EXPECT_EQ(entries(lengths), (std::vector<int>{2, 3, 3, 3, 3, 4}));
    EXPECT_EQ(entries(overlaps), (std::vector<int>{2, 2, 1, 1, 0, 8}));
}

TEST(Abraham, RuleOneOnAFoundStructure)
{
    Options o;
    o.rule = 1;
    AbrahamCase c(twoShortOneLong(0.9L), o);
    ASSERT_TRUE(c.run());
    EXPECT_EQ(entries(c.ws.abrahamSortArray1), (std::vector<int>{3, 3, 5}));
    EXPECT_EQ(elementsOf(c.ws.abrahamPaths, 0), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(elementsOf(c.ws.abrahamPaths, 1), (std::vector<int>{0, 1, 5}));
    expectConsistentRun(c, "3,3,5");
}

TEST(Abraham, NoPathGivesNoTerms)
{
    StructurePlan plan = seriesChain(3, 0.9L, 0.9L);
    plan.edges.pop_back(); // the destination hangs loose
    AbrahamCase c(plan);
    ASSERT_TRUE(c.run());
    EXPECT_EQ(c.pathCount(), 0);
    EXPECT_EQ(c.terms.rowCount(), 0);
    EXPECT_EQ(c.availability(), 0);
    EXPECT_EQ(c.ws.abraham.memoryLog.lastIndex(), -1);
}

// --- Elements of availability 1 and 0 ----------------------------------------------

TEST(Abraham, CertainElementsStayOutOfPathsAndTerms)
{
    const StructurePlan plan = bridge(0.9L); // nodes of availability 1
    AbrahamCase c(plan);
    ASSERT_TRUE(c.run());
    for (int k = 0; k < c.terms.rowCount(); ++k)
        for (int node = 0; node < 4; ++node)
            EXPECT_EQ(c.terms.get(node, k), 0);
    EXPECT_EQ(entries(c.ws.abrahamSortArray1), (std::vector<int>{2, 2, 3, 3}));

    Options special;
    special.normal = false;
    AbrahamCase p(plan, special);
    ASSERT_TRUE(p.run());
    EXPECT_EQ(entries(p.ws.abrahamSortArray1), (std::vector<int>{5, 5, 7, 7}));
    expectNear(p.availability(), c.availability(), "posebno");
}

TEST(Abraham, OnlyCertainPathsFallBackToTheFirstOne)
{
    StructurePlan plan;
    plan.nodes = {{1, 1}, {2, 1}};
    plan.edges = {{3, 1, 2, 1}, {4, 1, 2, 1}};
    plan.source = 1;
    plan.destination = 2;
    AbrahamCase c(plan);
    ASSERT_TRUE(c.run());
    ASSERT_EQ(c.pathCount(), 1);
    EXPECT_EQ(cellsOf(c.terms, 0), (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(c.availability(), 1);
    EXPECT_EQ(c.ws.abraham.iterations.load(), 0);

    plan.nodes[0].availability = 0; // a source that never works
    AbrahamCase dead(plan);
    ASSERT_TRUE(dead.run());
    ASSERT_EQ(dead.pathCount(), 1);
    EXPECT_EQ(cellsOf(dead.terms, 0), (std::vector<int>{1, 1, 1, 0}));
    EXPECT_EQ(dead.availability(), 0);
}

TEST(Abraham, FailedElementsAreNeverCandidates)
{
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.9L}};
    plan.edges = {{3, 1, 2, 0}, {4, 1, 2, 0.8L}};
    plan.source = 1;
    plan.destination = 2;
    AbrahamCase c(plan);
    ASSERT_TRUE(c.run());
    ASSERT_EQ(c.pathCount(), 1);
    EXPECT_EQ(elementsOf(c.ws.abrahamPaths, 0), (std::vector<int>{0, 1, 3}));
    expectNear(c.availability(), 0.9L * 0.9L * 0.8L, "normalno");

    Options special;
    special.normal = false;
    AbrahamCase p(plan, special);
    ASSERT_TRUE(p.run());
    EXPECT_EQ(p.pathCount(), 2);
    expectNear(p.availability(), 0.9L * 0.9L * 0.8L, "posebno");
}

TEST(Abraham, FailedDestinationIsTakenOnlyWhenAdjacent)
{
    // Elements 0 (source), 1 (destination, availability 0) and 2, taken
    // alike: with the arc 0 -> 1 the destination is a candidate and is taken;
    // through 2 it can never be reached.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0}, {3, 0.9L}};
    plan.source = 1;
    plan.destination = 2;
    for (bool adjacent : {true, false}) {
        AbrahamCase c(plan);
        c.ws.workMatrix.allocate(3, 3);
        if (adjacent)
            c.ws.workMatrix.set(1, 0, 1);
        c.ws.workMatrix.set(2, 0, 1);
        c.ws.workMatrix.set(1, 2, 1);
        ASSERT_TRUE(c.run());
        ASSERT_EQ(c.pathCount(), adjacent ? 1 : 0);
        if (adjacent) {
            EXPECT_EQ(elementsOf(c.ws.abrahamPaths, 0), (std::vector<int>{0, 1}));
        }
        EXPECT_EQ(c.availability(), 0);
    }
    // In a structure a node never enters a node, so the search stops at the
    // edge before a failed destination.
    StructurePlan chain = seriesChain(2, 0.9L, 0.9L);
    chain.nodes[1].availability = 0;
    AbrahamCase c(chain);
    ASSERT_TRUE(c.run());
    EXPECT_EQ(c.pathCount(), 0);
    EXPECT_EQ(c.availability(), 0);
}

TEST(Abraham, PathInsideAnotherOnceCertainElementsAreLeftOut)
{
    // With e10 certain, the path 1-e10-2 needs only the terminals, and both
    // longer paths contain them: every term of theirs is dropped. A leftover
    // term without conditions would be expanded against the next path and
    // add probability that is not there.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}, {3, 0.7L}, {4, 0.6L}};
    plan.edges = {{10, 1, 2, 1}, {11, 1, 3, 0.5L}, {12, 3, 2, 0.5L}, {13, 1, 4, 0.4L}, {14, 4, 2, 0.3L}};
    plan.source = 1;
    plan.destination = 2;
    for (int rule = 0; rule <= 2; ++rule) {
        Options o;
        o.rule = rule;
        AbrahamCase c(plan, o);
        ASSERT_TRUE(c.run());
        ASSERT_EQ(c.pathCount(), 3);
        EXPECT_EQ(c.terms.rowCount(), 1);
        EXPECT_EQ(c.ws.abraham.iterations.load(), 3);
        expectNear(c.availability(), exactAvailability(plan, false, false), "rule " + std::to_string(rule));
        expectConsistentRun(c, "subset");
    }
}

// --- Stop and limits ---------------------------------------------------------------

TEST(Abraham, StopBeforeTheSearchEndsItAfterTheFirstRow)
{
    // Elements taken alike: 0 -> 3 directly, and 0 -> 1 -> 3, 0 -> 2 -> 3.
    StructurePlan nodesOnly;
    nodesOnly.nodes = {{1, 0.9L}, {2, 0.9L}, {3, 0.9L}, {4, 0.9L}};
    nodesOnly.source = 1;
    nodesOnly.destination = 4;
    AbrahamCase c(nodesOnly);
    c.ws.workMatrix.allocate(4, 4);
    for (auto [from, to] : {std::pair{0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3}})
        c.ws.workMatrix.set(to, from, 1);
    c.ws.workSourceIndex = 0;
    c.ws.workDestinationIndex = 3;
    c.ws.abraham.stop = 1;
    ASSERT_TRUE(c.run());
    ASSERT_EQ(c.pathCount(), 1);
    EXPECT_EQ(cellsOf(c.terms, 0), (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(c.ws.abraham.anomalies.load(), -1);

    AbrahamCase bridgeCase(bridge(0.9L));
    bridgeCase.ws.abraham.stop = 1;
    ASSERT_TRUE(bridgeCase.run());
    EXPECT_EQ(bridgeCase.pathCount(), 0); // no row beyond the source's edges was built
    EXPECT_EQ(bridgeCase.terms.rowCount(), 0);
    EXPECT_LT(bridgeCase.ws.abraham.anomalies.load(), 0);
}

TEST(Abraham, StopRaisedBeforeTheProductsDeliversPathZeroAlone)
{
    AbrahamCase c(bridge(0.9L));
    AlgorithmRun run(Algorithm::Abraham, c.ws.abraham, c.abraham);
    ASSERT_TRUE(findMinimalPaths(run, c.ws));
    ASSERT_TRUE(sortPaths(c.ws.abrahamPaths, c.ws.abrahamSortArray1, c.ws.abrahamSortArray2, 2));
    ASSERT_EQ(c.ws.abrahamPaths.rowCount(), 4);
    c.ws.abraham.stop = 1;
    run.startSlot(3);
    ASSERT_TRUE(buildDisjointProducts(run, c.ws));
    run.storeResultCode();
    ASSERT_EQ(c.ws.abrahamProducts.rowCount(), 1);
    EXPECT_EQ(cellsOf(c.ws.abrahamProducts, 0), cellsOf(c.ws.abrahamPaths, 0));
    EXPECT_EQ(c.ws.abraham.iterations.load(), 1);
    EXPECT_EQ(c.ws.abraham.progressDone.load(), 1);
    EXPECT_EQ(c.ws.abraham.progressTotal.load(), 3);
    EXPECT_EQ(c.ws.abraham.anomalies.load(), -1);
}

TEST(Abraham, LimitsStopTheProductPhaseAfterWholePaths)
{
    struct Limit {
        std::int64_t memory, time, iterations;
        int expectedIterations, deliveredPaths;
    };
    for (const Limit& limit : {Limit{0, -1, -1, 1, 1}, Limit{-1, 0, -1, 1, 1}, Limit{-1, -1, 0, 1, 1},
                               Limit{-7, -1, 1, 1, 1}, Limit{-1, -1, 3, 3, 2}, Limit{-1, -1, 4, 4, 3}}) {
        AbrahamCase c(bridge(0.9L));
        c.abraham.limits.memory = limit.memory;
        c.abraham.limits.time = limit.time;
        c.abraham.limits.iterations = limit.iterations;
        ASSERT_TRUE(c.run());
        const std::string what = "limit " + std::to_string(limit.iterations);
        EXPECT_EQ(c.ws.abraham.iterations.load(), limit.expectedIterations) << what;
        EXPECT_LT(c.ws.abraham.anomalies.load(), 0) << what;
        ASSERT_GT(c.terms.rowCount(), 0) << what;
        EXPECT_EQ(c.ws.abraham.links.get(c.terms.rowCount() - 1), limit.deliveredPaths - 1) << what;

        // The delivered terms are the full run's terms of those paths.
        AbrahamCase full(bridge(0.9L));
        ASSERT_TRUE(full.run());
        int rows = 0;
        while (rows < full.terms.rowCount() && full.ws.abraham.links.get(rows) < limit.deliveredPaths)
            ++rows;
        ASSERT_EQ(c.terms.rowCount(), rows) << what;
        for (int k = 0; k < rows; ++k)
            EXPECT_EQ(cellsOf(c.terms, k), cellsOf(full.terms, k)) << what;
    }
}

TEST(Abraham, NoLimitDuringThePathSearch)
{
    AbrahamCase c(seriesChain(5, 0.9L, 0.9L));
    c.abraham.limits.memory = 0;
    c.abraham.limits.time = 0;
    c.abraham.limits.iterations = 0;
    ASSERT_TRUE(c.run());
    EXPECT_EQ(c.terms.rowCount(), 1);
    EXPECT_EQ(c.ws.abraham.anomalies.load(), 0);
    EXPECT_EQ(c.ws.abraham.stop.load(), 0);
}

TEST(Abraham, StopFromAnotherThreadWhileTheCoordinatorReads)
{
    const StructurePlan plan = grid(3, 4, 0.95L, 0.9L);
    AbrahamCase full(plan);
    ASSERT_TRUE(full.run());

    for (int attempt = 0; attempt < 6; ++attempt) {
        AbrahamCase c(plan);
        std::atomic<bool> finished{false};
        LiveSum partial;
        std::thread coordinator([&] {
            int polls = 0;
            while (!finished.load()) {
                EXPECT_TRUE(addNewTerms(c.ws.abrahamProducts, c.ws.abraham.feed, c.ws.abraham.partialCount.load(), 0,
                                        c.ws.elementMap, c.ws.workSourceIndex, c.ws.workDestinationIndex,
                                        c.ws.elements, false, partial));
                if (++polls == 50 * attempt)
                    c.ws.abraham.requestStop();
                std::this_thread::yield();
            }
        });
        const bool ok = c.run();
        finished = true;
        coordinator.join();
        ASSERT_TRUE(ok);
        // Whatever the moment of the stop, the delivered terms are whole paths.
        ASSERT_TRUE(addNewTerms(c.ws.abrahamProducts, c.ws.abraham.feed, 0, 0, c.ws.elementMap,
                                c.ws.workSourceIndex, c.ws.workDestinationIndex, c.ws.elements, false, partial));
        expectNear(partial.value, c.availability(), "partial sums");
        if (c.ws.abraham.anomalies.load() == 0) {
            expectNear(c.availability(), full.availability(), "not stopped");
            continue;
        }
        if (c.pathCount() != full.pathCount()) { // stopped during the search
            EXPECT_LE(c.terms.rowCount(), 1);
            continue;
        }
        const int delivered = c.terms.rowCount();
        ASSERT_LE(delivered, full.terms.rowCount());
        for (int k = 0; k < delivered; ++k)
            EXPECT_EQ(cellsOf(c.terms, k), cellsOf(full.terms, k));
        if (delivered < full.terms.rowCount()) {
            EXPECT_NE(full.ws.abraham.links.get(delivered), full.ws.abraham.links.get(delivered - 1));
        }
    }
}

// --- Unusable input ----------------------------------------------------------------

TEST(Abraham, UnusableWorkStructureFails)
{
    AbrahamCase c(bridge(0.9L));
    c.ws.workDestinationIndex = 9;
    EXPECT_FALSE(c.run());
    c.ws.workDestinationIndex = 3;
    c.ws.workSourceIndex = -1;
    EXPECT_FALSE(c.run());
    c.ws.workSourceIndex = 0;
    c.ws.workMatrix.resize(9, 8);
    EXPECT_FALSE(c.run());
    EXPECT_EQ(c.terms.rowCount(), 0);
}

TEST(Abraham, FailedCellInASortedPathFails)
{
    AbrahamCase c(bridge(0.9L));
    AlgorithmRun run(Algorithm::Abraham, c.ws.abraham, c.abraham);
    ASSERT_TRUE(findMinimalPaths(run, c.ws));
    ASSERT_TRUE(sortPaths(c.ws.abrahamPaths, c.ws.abrahamSortArray1, c.ws.abrahamSortArray2, 2));
    c.ws.abrahamPaths.set(0, 0, -1);
    run.startSlot(3);
    EXPECT_FALSE(buildDisjointProducts(run, c.ws));
}

// --- Structures beyond 127 elements -------------------------------------------------

TEST(Abraham, LongSeriesChain)
{
    const StructurePlan plan = seriesChain(151, 0.999L, 0.998L); // 301 elements
    const long double expected = std::pow(0.999L, 151.0L) * std::pow(0.998L, 150.0L);
    for (bool directed : {false, true}) {
        Options o;
        o.directed = directed;
        o.reduction = directed;
        AbrahamCase c(plan, o);
        ASSERT_TRUE(c.run());
        ASSERT_EQ(c.pathCount(), 1);
        EXPECT_EQ(elementsOf(c.terms, 0).size(), 301u);
        expectNear(c.availability(), expected, describe(0, o));
    }
}

namespace {

// Appends `block` to `plan` with fresh labels, joined by an edge from `joinFrom`
// to the block's source; returns the label of the block's destination.
std::int32_t appendBlock(StructurePlan& plan, const StructurePlan& block, std::int32_t joinFrom, std::int32_t& label,
                         long double joinAvailability)
{
    std::map<std::int32_t, std::int32_t> renamed;
    for (const NodePlan& node : block.nodes) {
        renamed[node.label] = ++label;
        plan.nodes.push_back({label, node.availability});
    }
    for (const EdgePlan& edge : block.edges)
        plan.edges.push_back({++label, renamed[edge.from], renamed[edge.to], edge.availability});
    plan.edges.push_back({++label, joinFrom, renamed[block.source], joinAvailability});
    return renamed[block.destination];
}

} // namespace

TEST(Abraham, LongStructureOfRandomBlocksInSeries)
{
    // Random blocks and plain chains joined by single edges: the availability
    // is the product of the blocks' own availabilities and of the joins.
    std::mt19937 random(77);
    RandomShape shape;
    shape.minNodes = 3;
    shape.maxNodes = 4;
    shape.maxExtraEdges = 2;
    shape.certainShare = 0;
    shape.allowDisconnected = false;
    for (bool directed : {false, true}) {
        StructurePlan plan;
        std::int32_t label = 0;
        plan.nodes.push_back({++label, 0.99L});
        plan.source = label;
        std::int32_t end = label;
        long double expected = 0.99L;
        for (int block = 0; block < 9; ++block) {
            StructurePlan part = seriesChain(12, 0.995L, 0.99L);
            long double partAvailability = std::pow(0.995L, 12.0L) * std::pow(0.99L, 11.0L);
            if (block % 2 == 1) {
                do {
                    part = randomStructure(random, shape);
                    partAvailability = exactAvailability(part, directed, false);
                } while (partAvailability == 0);
            }
            end = appendBlock(plan, part, end, label, 0.97L);
            expected *= partAvailability * 0.97L;
        }
        plan.destination = end;
        Options o;
        o.directed = directed;
        AbrahamCase c(plan, o);
        ASSERT_GT(c.ws.elements.count(), 127);
        ASSERT_TRUE(c.run());
        expectNear(c.availability(), expected, directed ? "directed" : "undirected");
        expectConsistentRun(c, "blocks");
        if (!directed) {
            EXPECT_GT(c.pathCount(), 1);
        }
    }
}
