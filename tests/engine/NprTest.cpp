#include "TestStructures.h"
#include "TreeRuns.h"

#include "algorithms/reference/Npr.h"
#include "algorithms/RunFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace velmor;
using namespace velmor::reference;
using namespace velmor::testing;

namespace {

using Rows = std::vector<std::vector<int>>;

// Source (node 1, element 0), destination (node 2, element 1) and one edge
// between them (element 2).
StructurePlan onePath(long double source, long double edge, long double destination)
{
    StructurePlan plan;
    plan.nodes = {{1, source}, {2, destination}};
    plan.edges = {{3, 1, 2, edge}};
    plan.source = 1;
    plan.destination = 2;
    return plan;
}

// The memory figure of a matrix of the given shape.
std::int64_t matrixMeasure(int columns, int rows)
{
    return rows == 0 ? 0 : std::int64_t(columns - 1 + 4) * (rows - 1) + 4;
}

struct NprRun {
    StructureWorkspace ws;
    TermRows finalTerms;
    bool ok = false;
    TreeOptions options;

    NprRun(const StructurePlan& plan, TreeOptions treeOptions = {}) : options(treeOptions)
    {
        prepareRun(ws, plan, options);
        ok = runTree(Algorithm::Npr, ws, options, finalTerms);
    }
    long double availability() const { return availabilityOf(ws, finalTerms, options.ideal); }
    Rows rows() const { return rowsOf(ws.nprRows); }
    std::vector<int> links() const { return valuesOf(ws.npr.links); }
};

// Every row of an NPR tree whose destination is still open was expanded;
// rows that fix the destination were born as leaves.
std::string nprInvariants(const NprRun& run)
{
    const TermRows& rows = run.ws.nprRows;
    int expanded = 0;
    int lastExpanded = -1;
    for (int r = 0; r <= rows.lastRow(); ++r) {
        if (rows.get(run.ws.workDestinationIndex, r) == 0) {
            ++expanded;
            lastExpanded = r;
        }
    }
    return mutuallyExclusive(run.finalTerms) + successTermsConnect(run.ws, run.finalTerms)
           + finalTermsAreSuccessRows(rows, run.finalTerms) + linksAndStates(rows, run.ws.npr.links, true)
           + decisionNumbersGrow(rows, run.ws.nprPaths, run.ws.npr.links, run.ws.workSourceIndex)
           + countersAgree(run.ws.npr, expanded, lastExpanded, rows.lastRow());
}

} // namespace

TREE_DRIVER_TEST(NprOnePath, BranchesOverEdgeAndDestination)
{
    NprRun run(onePath(0.9L, 0.8L, 0.7L));
    ASSERT_TRUE(run.ok);
    // Elements: source, destination, edge; then the row state.
    EXPECT_EQ(run.rows(), (Rows{{1, 0, 0, -2}, {1, 0, -1, -1}, {1, -1, 1, -1}, {1, 1, 1, 1}}));
    EXPECT_EQ(run.links(), (std::vector<int>{0, 0, 0, 0}));
    // Edge fixed second, destination third; the root numbered the source.
    EXPECT_EQ(rowsOf(run.ws.nprPaths), (Rows{{1, 0, 0, 2}, {1, 0, 2, 3}, {1, 3, 2, 4}, {1, 3, 2, 4}}));
    EXPECT_EQ(rowsOf(run.finalTerms), (Rows{{1, 1, 1}}));
    EXPECT_NEAR(run.availability(), 0.9L * 0.8L * 0.7L, 1e-18L);
    EXPECT_EQ(run.ws.npr.iterations.load(), 2);
    EXPECT_EQ(run.ws.npr.progressDone.load(), 1);
    EXPECT_EQ(run.ws.npr.progressTotal.load(), 3);
    EXPECT_EQ(run.ws.npr.anomalies.load(), 0);
    EXPECT_EQ(nprInvariants(run), "");
}

TREE_DRIVER_TEST(NprOnePath, MemorySamplesSumTheWorkingContainers)
{
    NprRun run(onePath(0.9L, 0.8L, 0.7L));
    ASSERT_TRUE(run.ok);
    // Work matrix and its copy (3 x 3), decision numbers and rows (4 x 4
    // after the root's children), element states, links, path marks and the
    // path (3 entries each), no final terms yet.
    const std::int64_t common = 2 * matrixMeasure(3, 3) + 2 * matrixMeasure(4, 4) + 4 * 3 + 4 * 4 + 4 * 3 + 4 * 3;
    // The root branches over edge and destination; its first child finds no
    // path, so it has no branch elements and the last path stays.
    EXPECT_EQ(run.ws.npr.memoryLog.sample(1), common + 4 * 2);
    EXPECT_EQ(run.ws.npr.memoryLog.sample(2), common);
    EXPECT_EQ(run.ws.npr.memoryLog.sample(0), common + 4 * 2);
    EXPECT_EQ(run.ws.npr.memoryLog.lastIndex(), 2);
}

TREE_DRIVER_TEST(NprOnePath, StopwatchesEndStoppedAndCandidateTestsOnlyInVariantOne)
{
    for (int variant : {0, 1}) {
        NprRun run(onePath(0.9L, 0.8L, 0.7L), {.variant = variant});
        ASSERT_TRUE(run.ok);
        for (int slot = 0; slot <= run.ws.npr.timers.lastIndex(); ++slot)
            EXPECT_FALSE(run.ws.npr.timers.running(slot)) << "slot " << slot;
        EXPECT_EQ(run.ws.npr.timers.lastIndex(), variant == 1 ? 3 : 2);
    }
}

TREE_DRIVER_TEST(NprTwoParallelEdges, FirstChildIsExpandedAgainWithTheOtherEdge)
{
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}};
    plan.edges = {{3, 1, 2, 0.7L}, {4, 1, 2, 0.6L}};
    plan.source = 1;
    plan.destination = 2;
    NprRun run(plan);
    ASSERT_TRUE(run.ok);
    // Elements: source, destination, lower edge, other edge.
    EXPECT_EQ(run.rows(), (Rows{{1, 0, 0, 0, -2},
                                {1, 0, -1, 0, -2},
                                {1, -1, 1, 0, -1},
                                {1, 1, 1, 0, 1},
                                {1, 0, -1, -1, -1},
                                {1, -1, -1, 1, -1},
                                {1, 1, -1, 1, 1}}));
    EXPECT_EQ(run.links(), (std::vector<int>{0, 0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(rowsOf(run.ws.nprPaths).back(), (std::vector<int>{1, 4, 2, 3, 5}));
    EXPECT_NEAR(run.availability(), 0.9L * 0.8L * (1 - 0.3L * 0.4L), 1e-18L);
    EXPECT_EQ(nprInvariants(run), "");
}

TREE_DRIVER_TEST(NprCertainEdge, IsFixedWorkingInEveryChildUnderNormalno)
{
    NprRun normal(onePath(0.9L, 1, 0.7L));
    ASSERT_TRUE(normal.ok);
    EXPECT_EQ(normal.rows(), (Rows{{1, 0, 0, -2}, {1, -1, 1, -1}, {1, 1, 1, 1}}));
    EXPECT_EQ(rowsOf(normal.ws.nprPaths), (Rows{{1, 0, 0, 2}, {1, 3, 2, 4}, {1, 3, 2, 4}}));
    EXPECT_NEAR(normal.availability(), 0.9L * 0.7L, 1e-18L);

    NprRun special(onePath(0.9L, 1, 0.7L), {.normal = false});
    ASSERT_TRUE(special.ok);
    EXPECT_EQ(special.rows(), (Rows{{1, 0, 0, -2}, {1, 0, -1, -1}, {1, -1, 1, -1}, {1, 1, 1, 1}}));
    EXPECT_NEAR(special.availability(), 0.9L * 0.7L, 1e-18L);
}

TREE_DRIVER_TEST(NprUnavailableDestination, IsReachedBySearchButEveryRowFails)
{
    const StructurePlan plan = onePath(0.9L, 0.8L, 0);
    NprRun run(plan);
    ASSERT_TRUE(run.ok);
    // The root fails yet gets its children; the all-working child fails on
    // the destination; the edge-failing child finds no path.
    EXPECT_EQ(run.rows(), (Rows{{1, 0, 0, -1}, {1, 0, -1, -1}, {1, -1, 1, -1}}));
    EXPECT_EQ(run.links(), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(run.finalTerms.empty());
    EXPECT_EQ(run.availability(), 0);
    EXPECT_EQ(exactAvailability(plan, true, false), 0);
    EXPECT_EQ(nprInvariants(run), "");

    NprRun special(plan, {.normal = false});
    ASSERT_TRUE(special.ok);
    EXPECT_EQ(special.availability(), 0);
}

TREE_DRIVER_TEST(NprUnavailableDestination, CountsAsWorkingWhenTerminalsAreIdeal)
{
    // An ideal destination is not a failed element, so the all-working child
    // is a success whatever its stored availability.
    const StructurePlan plan = onePath(0.9L, 0.8L, 0);
    for (bool normal : {true, false}) {
        for (int variant : {0, 1}) {
            NprRun run(plan, {.variant = variant, .normal = normal, .ideal = true});
            ASSERT_TRUE(run.ok);
            EXPECT_EQ(rowsOf(run.finalTerms), (Rows{{1, 1, 1}}));
            EXPECT_EQ(run.availability(), 0.8L);
        }
    }
}

TREE_DRIVER_TEST(NprLimits, StopAfterTheFirstIterationWithANegativeResultCode)
{
    struct Case {
        const char* name;
        std::int64_t memory, time, iterations;
        bool stopRequest;
    };
    const Case cases[] = {{"memory 0", 0, -1, -1, false},   {"time 0", -1, 0, -1, false},
                          {"iterations 0", -1, -1, 0, false}, {"iterations 1", -1, -1, 1, false},
                          {"stop request", -1, -1, -1, true}};
    const StructurePlan plan = bridge(0.9L);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StructureWorkspace ws;
        prepareRun(ws, plan, {});
        AlgorithmOptions options;
        options.limits = RunLimits{c.memory, c.time, c.iterations};
        ws.resetResults();
        ws.npr.stop = c.stopRequest ? 1 : 0;
        TermRows finalTerms;
        AlgorithmRun run(Algorithm::Npr, ws.npr, options);
        ASSERT_TRUE(runTreeDriver(Algorithm::Npr, run, ws, finalTerms));
        EXPECT_EQ(ws.npr.iterations.load(), 1);
        EXPECT_EQ(ws.npr.anomalies.load(), -1);
        EXPECT_EQ(ws.npr.memoryLog.lastIndex(), 1);
        // The root and its children; only the all-working child is a term.
        EXPECT_EQ(ws.nprRows.get(ws.nprRows.lastColumn(), 0), -2);
        EXPECT_GT(ws.nprRows.lastRow(), 0);
        ASSERT_EQ(finalTerms.rowCount(), 1);
        EXPECT_EQ(finalTerms.get(ws.workDestinationIndex, 0), 1);
        EXPECT_FALSE(ws.npr.timers.running(0));
        EXPECT_FALSE(ws.npr.timers.running(1));
    }
}

TREE_DRIVER_TEST(NprLimits, WithoutLimitsTheTreeIsComplete)
{
    NprRun run(bridge(0.9L), {.directed = false});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.ws.npr.anomalies.load(), 0);
    EXPECT_NEAR(run.availability(), 0.97848L, 1e-15L);
    EXPECT_EQ(nprInvariants(run), "");
}

TREE_DRIVER_TEST(NprUnusableInput, FailsBeforeAnyWork)
{
    StructureWorkspace ws;
    prepareRun(ws, bridge(), {});
    TermRows finalTerms;
    ws.workDestinationIndex = ws.workMatrix.lastRow() + 1;
    AlgorithmRun outside(Algorithm::Npr, ws.npr);
    EXPECT_FALSE(runTreeDriver(Algorithm::Npr, outside, ws, finalTerms));
    EXPECT_EQ(ws.npr.iterations.load(), 0);
    EXPECT_TRUE(ws.nprRows.empty());

    ws.workDestinationIndex = 1;
    ws.workMatrix.resize(ws.workMatrix.columnCount(), ws.workMatrix.rowCount() - 1);
    AlgorithmRun notSquare(Algorithm::Npr, ws.npr);
    EXPECT_FALSE(runTreeDriver(Algorithm::Npr, notSquare, ws, finalTerms));
    EXPECT_TRUE(ws.nprRows.empty());
}

// --- The shortest-path search ---------------------------------------------

namespace {

// Fewest elements on a usable source-destination path (arcs holding 1),
// avoiding elements of state -1 except the destination; 0 when none.
int shortestPathLength(const ByteMatrix& copy, int source, int destination, const IntArray& states)
{
    std::vector<int> distance(static_cast<std::size_t>(copy.rowCount()), 0);
    std::vector<int> frontier{source};
    distance[static_cast<std::size_t>(source)] = 1;
    for (std::size_t k = 0; k < frontier.size(); ++k) {
        const int a = frontier[k];
        for (int b = 0; b <= copy.lastColumn(); ++b) {
            if (copy.get(b, a) != 1 || distance[static_cast<std::size_t>(b)] != 0)
                continue;
            if (states.get(b) == -1 && b != destination)
                continue;
            distance[static_cast<std::size_t>(b)] = distance[static_cast<std::size_t>(a)] + 1;
            frontier.push_back(b);
        }
    }
    return distance[static_cast<std::size_t>(destination)];
}

} // namespace

TEST(NprShortestPath, FindsAShortestPathAndMarksIt)
{
    std::mt19937 random(7);
    int found = 0;
    for (int round = 0; round < 150; ++round) {
        StructureWorkspace ws;
        prepareRun(ws, randomStructure(random), {.directed = round % 2 == 0});
        const int s = ws.workSourceIndex;
        const int t = ws.workDestinationIndex;
        const int shortest = shortestPathLength(ws.workMatrix, s, t, ws.workElementState);
        for (int variant : {0, 1}) {
            // The candidate test never reaches a destination of state -1, so
            // the optimised search finds no path to it.
            const bool deadDestination = ws.workElementState.get(t) == -1;
            const int expected = variant == 1 && deadDestination ? 0 : shortest;
            IntArray path;
            IntArray marks;
            marks.allocate(ws.workMatrix.columnCount());
            marks.set(s, 7);
            AlgorithmRun run(Algorithm::Npr, ws.npr);
            const bool ok = findShortestPath(run, ws.workMatrix, path, marks, s, t, variant, ws.workElementState, true);
            EXPECT_EQ(run.anomalies, 0);
            ASSERT_EQ(ok, expected > 0) << "round " << round;
            if (!ok) {
                EXPECT_EQ(path.count(), 0);
                EXPECT_EQ(marks.get(s), 7);
                continue;
            }
            ++found;
            ASSERT_EQ(path.count(), expected) << "round " << round;
            EXPECT_EQ(path.get(0), s);
            EXPECT_EQ(path.get(path.lastIndex()), t);
            for (int k = 0; k < path.count(); ++k) {
                EXPECT_EQ(marks.get(path.get(k)), -1);
                if (k > 0) {
                    EXPECT_EQ(ws.workMatrix.get(path.get(k), path.get(k - 1)), 1);
                }
            }
        }
    }
    EXPECT_GT(found, 50);
}

TEST(NprShortestPath, PrefersLowerIndicesAmongEquallyShortPaths)
{
    // Two ways of equal length from node 1 to node 4, through node 2 (edges
    // 5 and 7) or node 3 (edges 6 and 8); the lower candidate comes first.
    StructureWorkspace ws;
    prepareRun(ws, bridge(), {});
    IntArray path;
    IntArray marks;
    AlgorithmRun run(Algorithm::Npr, ws.npr);
    ASSERT_TRUE(findShortestPath(run, ws.workMatrix, path, marks, 0, 3, 0, ws.workElementState, true));
    // Elements: nodes 0..3, edges 5..9 at 4..8.
    EXPECT_EQ(valuesOf(path), (std::vector<int>{0, 4, 1, 7, 3}));
    EXPECT_EQ(marks.count(), ws.workMatrix.columnCount());
}

TEST(NprShortestPath, RefusesTerminalsOutsideTheCopy)
{
    StructureWorkspace ws;
    prepareRun(ws, bridge(), {});
    IntArray path;
    IntArray marks;
    AlgorithmRun run(Algorithm::Npr, ws.npr);
    const int outside = ws.workMatrix.columnCount();
    EXPECT_FALSE(findShortestPath(run, ws.workMatrix, path, marks, 0, outside, 0, ws.workElementState, true));
    EXPECT_FALSE(findShortestPath(run, ws.workMatrix, path, marks, -1, 3, 0, ws.workElementState, true));
    EXPECT_EQ(path.count(), 0);
}

// --- Against enumeration ---------------------------------------------------

TREE_DRIVER_TEST(NprAgainstEnumeration, RandomStructuresEveryOption)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const StructurePlan plan = randomStructure(random);
        long double exact[2][2]; // [directed][ideal]
        for (int directed : {0, 1})
            for (int ideal : {0, 1})
                exact[directed][ideal] = exactAvailability(plan, directed != 0, ideal != 0);
        for (int option = 0; option < 32; ++option) {
            const TreeOptions options{.directed = (option & 1) != 0, .reduction = (option & 2) != 0,
                                      .variant = (option >> 2) & 1, .normal = (option & 8) != 0,
                                      .ideal = (option & 16) != 0};
            NprRun run(plan, options);
            SCOPED_TRACE("round " + std::to_string(round) + " option " + std::to_string(option));
            ASSERT_TRUE(run.ok);
            ASSERT_EQ(nprInvariants(run), "");
            ASSERT_GE(run.ws.npr.anomalies.load(), 0);
            EXPECT_EQ(run.ws.npr.anomalies.load(), 0);
            const long double expected = exact[options.directed][options.ideal];
            EXPECT_NEAR(run.availability(), expected, 1e-15L * expected + 1e-18L);
        }
    }
}

// --- Large structures -------------------------------------------------------

TREE_DRIVER_TEST(NprLargeStructures, LongSeriesChain)
{
    // 151 nodes and 150 edges: element indices, path positions and decision
    // numbers all go past what a signed byte holds.
    const StructurePlan plan = seriesChain(151, 0.999L, 0.998L);
    NprRun run(plan);
    ASSERT_TRUE(run.ok);
    EXPECT_NEAR(run.availability(), std::pow(0.999L, 151) * std::pow(0.998L, 150), 1e-15L);
    EXPECT_EQ(run.finalTerms.rowCount(), 1);
    EXPECT_EQ(run.ws.nprPaths.get(run.ws.nprPaths.lastColumn(), run.ws.nprRows.lastRow()), 302);
    EXPECT_EQ(nprInvariants(run), "");
}

TREE_DRIVER_TEST(NprLargeStructures, RandomBlockBetweenLongChains)
{
    std::mt19937 random(99);
    for (int round = 0; round < 2; ++round) {
        RandomShape shape;
        shape.allowDisconnected = false;
        shape.certainShare = 0;
        const StructurePlan block = randomStructure(random, shape);
        const ChainedBlock big = chainAround(block, 35, 0.999L, 0.998L);
        for (int option = 0; option < 3; ++option) {
            const bool directed = option != 1;
            NprRun run(big.plan, {.directed = directed, .variant = option == 2 ? 1 : 0});
            ASSERT_TRUE(run.ok);
            ASSERT_GT(run.ws.workMatrix.columnCount(), 127);
            const long double exact = big.chainFactor * exactAvailability(block, directed, false);
            EXPECT_NEAR(run.availability(), exact, 1e-15L * exact + 1e-18L) << "round " << round;
            EXPECT_EQ(nprInvariants(run), "");
        }
    }
}

// --- Concurrent reading -------------------------------------------------------

TREE_DRIVER_TEST(NprConcurrentReading, PartialSumsReachTheFinalAvailability)
{
    StructureWorkspace ws;
    prepareRun(ws, grid(3, 3, 0.95L, 0.9L), {.directed = false});
    ws.resetResults();
    TermRows finalTerms;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        AlgorithmRun run(Algorithm::Npr, ws.npr);
        runTreeDriver(Algorithm::Npr, run, ws, finalTerms);
        finished = true;
    });
    // Only settled rows are read: every success row is counted once, in row
    // order, so the sum is the final availability to the last bit.
    LiveSum partial;
    while (!finished)
        ASSERT_TRUE(addNewTerms(ws.nprRows, ws.npr.feed, 0, 1, ws.elementMap, ws.workSourceIndex,
                                ws.workDestinationIndex, ws.elements, false, partial));
    worker.join();
    ASSERT_TRUE(addNewTerms(ws.nprRows, ws.npr.feed, 0, 1, ws.elementMap, ws.workSourceIndex,
                            ws.workDestinationIndex, ws.elements, false, partial));
    EXPECT_EQ(partial.cursor, ws.nprRows.rowCount());
    EXPECT_EQ(partial.terms, finalTerms.rowCount());
    EXPECT_EQ(partial.value, availabilityOf(ws, finalTerms, false));
}
