#include "TestStructures.h"
#include "TreeRuns.h"

#include "algorithms/ElementArcs.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/RunFrame.h"

#include <gtest/gtest.h>

#include <algorithm>
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

std::int64_t matrixMeasure(int columns, int rows)
{
    return rows == 0 ? 0 : std::int64_t(columns - 1 + 4) * (rows - 1) + 4;
}

struct EnrRun {
    StructureWorkspace ws;
    TermRows finalTerms;
    bool ok = false;
    TreeOptions options;

    EnrRun(const StructurePlan& plan, TreeOptions treeOptions = {}) : options(treeOptions)
    {
        prepareRun(ws, plan, options);
        ok = runTree(Algorithm::Enr, ws, options, finalTerms);
    }
    long double availability() const { return availabilityOf(ws, finalTerms, options.ideal); }
    Rows rows() const { return rowsOf(ws.enrRows); }
    std::vector<int> links() const { return valuesOf(ws.enr.links); }
    // The children of a row, in order, with their states at the end of the run.
    Rows childrenOf(int row) const
    {
        Rows children;
        for (int r = 1; r <= ws.enrRows.lastRow(); ++r)
            if (ws.enr.links.get(r) == row)
                children.push_back(rows()[static_cast<std::size_t>(r)]);
        return children;
    }
};

// Every expanded ENR row ends as -2; open rows never survive a finished run.
std::string enrInvariants(const EnrRun& run)
{
    const TermRows& rows = run.ws.enrRows;
    int expanded = 0;
    int lastExpanded = -1;
    for (int r = 0; r <= rows.lastRow(); ++r) {
        if (rows.get(rows.lastColumn(), r) == -2) {
            ++expanded;
            lastExpanded = r;
        }
    }
    return mutuallyExclusive(run.finalTerms) + successTermsConnect(run.ws, run.finalTerms)
           + finalTermsAreSuccessRows(rows, run.finalTerms) + linksAndStates(rows, run.ws.enr.links, false)
           + countersAgree(run.ws.enr, expanded, lastExpanded, rows.lastRow());
}

// Nodes 1 (source), 2 (destination), 3 (a dead end); edge 4 from 1 to 2 and
// edge 5 from 1 to 3. Elements: nodes 0..2, edges 3 and 4.
StructurePlan deadEnd()
{
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}, {3, 0.7L}};
    plan.edges = {{4, 1, 2, 0.6L}, {5, 1, 3, 0.5L}};
    plan.source = 1;
    plan.destination = 2;
    return plan;
}

} // namespace

TREE_DRIVER_TEST(EnrOnePath, GrowsThroughEdgeToDestination)
{
    EnrRun run(onePath(0.9L, 0.8L, 0.7L));
    ASSERT_TRUE(run.ok);
    // Elements: source, destination, edge; then the row state.
    EXPECT_EQ(run.rows(), (Rows{{1, 0, 0, -2}, {1, 0, 1, -2}, {1, 0, -1, -1}, {1, 1, 1, 1}, {1, -1, 1, -1}}));
    EXPECT_EQ(run.links(), (std::vector<int>{0, 0, 0, 1, 1}));
    EXPECT_EQ(rowsOf(run.finalTerms), (Rows{{1, 1, 1}}));
    EXPECT_NEAR(run.availability(), 0.9L * 0.8L * 0.7L, 1e-18L);
    EXPECT_EQ(run.ws.enr.iterations.load(), 2);
    EXPECT_EQ(run.ws.enr.progressDone.load(), 1);
    EXPECT_EQ(run.ws.enr.progressTotal.load(), 4);
    EXPECT_EQ(run.ws.enr.anomalies.load(), 0);
    EXPECT_EQ(enrInvariants(run), "");
}

TREE_DRIVER_TEST(EnrOnePath, MemorySamplesSumTheWorkingContainers)
{
    EnrRun run(onePath(0.9L, 0.8L, 0.7L));
    ASSERT_TRUE(run.ok);
    // Work matrix and its copy (3 x 3), final terms (one empty row over
    // three columns), element states, frontier and certain marks (3 entries
    // each), then rows and links as they stand after each expansion.
    const std::int64_t fixed = 2 * matrixMeasure(3, 3) + matrixMeasure(3, 1) + 3 * 4 * 3;
    EXPECT_EQ(run.ws.enr.memoryLog.sample(1), fixed + matrixMeasure(4, 3) + 4 * 3);
    EXPECT_EQ(run.ws.enr.memoryLog.sample(2), fixed + matrixMeasure(4, 5) + 4 * 5);
    EXPECT_EQ(run.ws.enr.memoryLog.sample(0), run.ws.enr.memoryLog.sample(2));
}

TREE_DRIVER_TEST(EnrOnePath, StopwatchesEndStoppedAndNeighbourTestsOnlyInOptimisedVariants)
{
    for (int variant : {0, 1, 2}) {
        EnrRun run(onePath(0.9L, 0.8L, 0.7L), {.variant = variant});
        ASSERT_TRUE(run.ok);
        EXPECT_FALSE(run.ws.enr.timers.running(0));
        EXPECT_FALSE(run.ws.enr.timers.running(1));
        EXPECT_FALSE(run.ws.enr.timers.running(2));
        EXPECT_EQ(run.rows().size(), 5u);
    }
}

TREE_DRIVER_TEST(EnrDeadEnd, BranchedOnOnlyWithoutOptimisation)
{
    EnrRun standard(deadEnd(), {.variant = 0});
    ASSERT_TRUE(standard.ok);
    // Elements: nodes 1, 2, 3, edges 4, 5; then the row state.
    EXPECT_EQ(standard.childrenOf(0),
              (Rows{{1, 0, 0, 1, 0, -2}, {1, 0, 0, -1, 1, -2}, {1, 0, 0, -1, -1, -1}}));
    // Past the dead-end edge its node is branched on; once it works the
    // working set can grow no further: an expanded row without children.
    EXPECT_EQ(standard.childrenOf(2), (Rows{{1, 0, 1, -1, 1, -2}, {1, 0, -1, -1, 1, -1}}));
    const Rows rows = standard.rows();
    const auto deadEndWorks = std::find(rows.begin(), rows.end(), std::vector<int>{1, 0, 1, -1, 1, -2});
    ASSERT_NE(deadEndWorks, rows.end());
    EXPECT_TRUE(standard.childrenOf(static_cast<int>(deadEndWorks - rows.begin())).empty());

    for (int variant : {1, 2}) {
        EnrRun optimised(deadEnd(), {.variant = variant});
        ASSERT_TRUE(optimised.ok);
        EXPECT_EQ(optimised.childrenOf(0), (Rows{{1, 0, 0, 1, 0, -2}, {1, 0, 0, -1, 0, -1}}));
        EXPECT_EQ(optimised.rows().size(), 5u);
        EXPECT_EQ(optimised.availability(), standard.availability());
    }
    EXPECT_NEAR(standard.availability(), 0.9L * 0.6L * 0.8L, 1e-18L);
}

TREE_DRIVER_TEST(EnrSecondLevel, DropsACandidateWhoseWaysPassAnotherCandidate)
{
    // Nodes 1 (source), 2 (a), 3 (b), 4 (destination); edges 5: 1->2,
    // 6: 1->3, 7: 3->2, 8: 2->4. Once edge 5 works, node 2 and edge 6 are
    // the frontier, and every way from edge 6 passes node 2.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}, {3, 0.7L}, {4, 0.95L}};
    plan.edges = {{5, 1, 2, 0.6L}, {6, 1, 3, 0.5L}, {7, 3, 2, 0.75L}, {8, 2, 4, 0.85L}};
    plan.source = 1;
    plan.destination = 4;
    const std::vector<int> edgeFiveWorks{1, 0, 0, 0, 1, 0, 0, 0, -2};
    std::size_t edgeFiveChildren[3] = {};
    for (int variant : {0, 1, 2}) {
        EnrRun run(plan, {.variant = variant});
        ASSERT_TRUE(run.ok);
        const Rows rows = run.rows();
        ASSERT_EQ(rows[1], edgeFiveWorks);
        edgeFiveChildren[variant] = run.childrenOf(1).size();
        EXPECT_NEAR(run.availability(), exactAvailability(plan, true, false), 1e-18L);
        EXPECT_EQ(enrInvariants(run), "");
    }
    EXPECT_EQ(edgeFiveChildren[0], 3u);
    EXPECT_EQ(edgeFiveChildren[1], 3u);
    EXPECT_EQ(edgeFiveChildren[2], 2u);
}

TREE_DRIVER_TEST(EnrCertainNeighbours, AllJoinInOneChildUnderNormalno)
{
    // Three parallel edges; the first (element 2) uncertain, the other two
    // certain.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}};
    plan.edges = {{3, 1, 2, 0.5L}, {4, 1, 2, 1}, {5, 1, 2, 1}};
    plan.source = 1;
    plan.destination = 2;
    EnrRun normal(plan);
    ASSERT_TRUE(normal.ok);
    EXPECT_EQ(normal.childrenOf(0), (Rows{{1, 0, 0, 1, 1, -2}}));
    // The destination then is the only candidate, the uncertain edge stays open.
    EXPECT_EQ(normal.childrenOf(1), (Rows{{1, 1, 0, 1, 1, 1}, {1, -1, 0, 1, 1, -1}}));
    EXPECT_NEAR(normal.availability(), 0.9L * 0.8L, 1e-18L);

    EnrRun special(plan, {.normal = false});
    ASSERT_TRUE(special.ok);
    EXPECT_EQ(special.childrenOf(0).size(), 4u);
    EXPECT_NEAR(special.availability(), 0.9L * 0.8L, 1e-18L);
}

TREE_DRIVER_TEST(EnrDestinationOnFrontier, IsBranchedAloneWhateverItsState)
{
    // Edges 3: 1->2 and 4: 1->2; once edge 3 works, the destination and
    // edge 4 are the frontier.
    for (long double destination : {1.0L, 0.0L, 0.5L}) {
        StructurePlan plan;
        plan.nodes = {{1, 0.9L}, {2, destination}};
        plan.edges = {{3, 1, 2, 0.6L}, {4, 1, 2, 0.7L}};
        plan.source = 1;
        plan.destination = 2;
        EnrRun run(plan);
        ASSERT_TRUE(run.ok);
        EXPECT_EQ(run.childrenOf(1), (Rows{{1, 1, 1, 0, 1}, {1, -1, 1, 0, -1}}));
        EXPECT_NEAR(run.availability(), exactAvailability(plan, true, false), 1e-18L);
        for (int variant : {0, 1, 2}) {
            EnrRun ideal(plan, {.variant = variant, .ideal = true});
            ASSERT_TRUE(ideal.ok);
            EXPECT_NEAR(ideal.availability(), exactAvailability(plan, true, true), 1e-18L);
        }
    }
}

TREE_DRIVER_TEST(EnrUnavailableElement, IsNeverACandidateUnlessTheDestination)
{
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.8L}};
    plan.edges = {{3, 1, 2, 0}, {4, 1, 2, 0.7L}};
    plan.source = 1;
    plan.destination = 2;
    EnrRun normal(plan);
    ASSERT_TRUE(normal.ok);
    EXPECT_EQ(normal.childrenOf(0), (Rows{{1, 0, 0, 1, -2}, {1, 0, 0, -1, -1}}));
    EnrRun special(plan, {.normal = false});
    ASSERT_TRUE(special.ok);
    EXPECT_EQ(special.childrenOf(0).size(), 3u);
    EXPECT_NEAR(normal.availability(), special.availability(), 1e-18L);
}

TREE_DRIVER_TEST(EnrLimits, StopAfterTheFirstIterationWithANegativeResultCode)
{
    struct Case {
        const char* name;
        std::int64_t memory, time, iterations;
        bool stopRequest;
    };
    const Case cases[] = {{"memory 0", 0, -1, -1, false},   {"time 0", -1, 0, -1, false},
                          {"iterations 0", -1, -1, 0, false}, {"iterations 1", -1, -1, 1, false},
                          {"stop request", -1, -1, -1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StructureWorkspace ws;
        prepareRun(ws, bridge(0.9L), {});
        AlgorithmOptions options;
        options.limits = RunLimits{c.memory, c.time, c.iterations};
        ws.resetResults();
        ws.enr.stop = c.stopRequest ? 1 : 0;
        TermRows finalTerms;
        AlgorithmRun run(Algorithm::Enr, ws.enr, options);
        ASSERT_TRUE(runTreeDriver(Algorithm::Enr, run, ws, finalTerms));
        EXPECT_EQ(ws.enr.iterations.load(), 1);
        EXPECT_EQ(ws.enr.anomalies.load(), -1);
        EXPECT_EQ(ws.enr.memoryLog.lastIndex(), 1);
        // The root and its three children (two edges leave the source).
        EXPECT_EQ(ws.enrRows.rowCount(), 4);
        EXPECT_TRUE(finalTerms.empty());
        EXPECT_FALSE(ws.enr.timers.running(0));
        EXPECT_FALSE(ws.enr.timers.running(2));
    }
}

TREE_DRIVER_TEST(EnrLimits, WithoutLimitsTheTreeIsComplete)
{
    EnrRun run(bridge(0.9L), {.directed = false});
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.ws.enr.anomalies.load(), 0);
    EXPECT_NEAR(run.availability(), 0.97848L, 1e-15L);
    EXPECT_EQ(enrInvariants(run), "");
}

TREE_DRIVER_TEST(EnrUnusableInput, FailsBeforeAnyWork)
{
    StructureWorkspace ws;
    prepareRun(ws, bridge(), {});
    TermRows finalTerms;
    ws.workSourceIndex = -1;
    AlgorithmRun outside(Algorithm::Enr, ws.enr);
    EXPECT_FALSE(runTreeDriver(Algorithm::Enr, outside, ws, finalTerms));
    EXPECT_EQ(ws.enr.iterations.load(), 0);
    EXPECT_TRUE(ws.enrRows.empty());
    EXPECT_TRUE(finalTerms.empty());
}

// --- Against enumeration ---------------------------------------------------

TREE_DRIVER_TEST(EnrAgainstEnumeration, RandomStructuresEveryOption)
{
    std::mt19937 random(777);
    for (int round = 0; round < 300; ++round) {
        const StructurePlan plan = randomStructure(random);
        long double exact[2][2]; // [directed][ideal]
        for (int directed : {0, 1})
            for (int ideal : {0, 1})
                exact[directed][ideal] = exactAvailability(plan, directed != 0, ideal != 0);
        for (int option = 0; option < 48; ++option) {
            const TreeOptions options{.directed = (option & 1) != 0, .reduction = (option & 2) != 0,
                                      .variant = option / 8 % 3, .normal = (option & 4) != 0,
                                      .ideal = option >= 24};
            EnrRun run(plan, options);
            SCOPED_TRACE("round " + std::to_string(round) + " option " + std::to_string(option));
            ASSERT_TRUE(run.ok);
            ASSERT_EQ(enrInvariants(run), "");
            EXPECT_EQ(run.ws.enr.anomalies.load(), 0);
            const long double expected = exact[options.directed][options.ideal];
            EXPECT_NEAR(run.availability(), expected, 1e-15L * expected + 1e-18L);
        }
    }
}

// --- Large structures -------------------------------------------------------

TREE_DRIVER_TEST(EnrLargeStructures, LongSeriesChain)
{
    const StructurePlan plan = seriesChain(151, 0.999L, 0.998L);
    for (int variant : {0, 2}) {
        EnrRun run(plan, {.variant = variant});
        ASSERT_TRUE(run.ok);
        EXPECT_NEAR(run.availability(), std::pow(0.999L, 151) * std::pow(0.998L, 150), 1e-15L);
        EXPECT_EQ(run.finalTerms.rowCount(), 1);
        EXPECT_EQ(enrInvariants(run), "");
    }
}

TREE_DRIVER_TEST(EnrLargeStructures, RandomBlockBetweenLongChains)
{
    std::mt19937 random(99);
    for (int round = 0; round < 2; ++round) {
        RandomShape shape;
        shape.allowDisconnected = false;
        shape.certainShare = 0;
        const StructurePlan block = randomStructure(random, shape);
        const ChainedBlock big = chainAround(block, 35, 0.999L, 0.998L);
        for (int variant : {0, 1, 2}) {
            EnrRun run(big.plan, {.directed = variant != 1, .variant = variant});
            ASSERT_TRUE(run.ok);
            ASSERT_GT(run.ws.workMatrix.columnCount(), 127);
            const long double exact = big.chainFactor * exactAvailability(block, variant != 1, false);
            EXPECT_NEAR(run.availability(), exact, 1e-15L * exact + 1e-18L) << "round " << round;
            EXPECT_EQ(enrInvariants(run), "");
        }
    }
}

// --- Concurrent reading -------------------------------------------------------

TREE_DRIVER_TEST(EnrConcurrentReading, PartialSumsReachTheFinalAvailability)
{
    StructureWorkspace ws;
    prepareRun(ws, grid(3, 3, 0.95L, 0.9L), {.directed = false});
    ws.resetResults();
    TermRows finalTerms;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        AlgorithmRun run(Algorithm::Enr, ws.enr);
        runTreeDriver(Algorithm::Enr, run, ws, finalTerms);
        finished = true;
    });
    // Only settled rows are read: every success row is counted once, in row
    // order, so the sum is the final availability to the last bit.
    LiveSum partial;
    while (!finished)
        ASSERT_TRUE(addNewTerms(ws.enrRows, ws.enr.feed, 0, 1, ws.elementMap, ws.workSourceIndex,
                                ws.workDestinationIndex, ws.elements, false, partial));
    worker.join();
    ASSERT_TRUE(addNewTerms(ws.enrRows, ws.enr.feed, 0, 1, ws.elementMap, ws.workSourceIndex,
                            ws.workDestinationIndex, ws.elements, false, partial));
    EXPECT_EQ(partial.cursor, ws.enrRows.rowCount());
    EXPECT_EQ(partial.terms, finalTerms.rowCount());
    EXPECT_EQ(partial.value, availabilityOf(ws, finalTerms, false));
}

// --- Ways kept between neighbour searches --------------------------------------

TEST(ReachingWays, AWayIsOpenUntilAnElementOnItIsBlocked)
{
    // 0 -> 1 -> 2 -> 5 and 0 -> 3 -> 5, 4 -> 3; the destination is 5. The
    // search finds 0 through 1 first, so 0's ways are 1-2-5 and 3-5.
    const std::pair<int, int> arcList[] = {{0, 1}, {1, 2}, {2, 5}, {0, 3}, {3, 5}, {4, 3}};
    ByteMatrix matrix;
    ASSERT_TRUE(matrix.resize(6, 6));
    for (auto [from, to] : arcList)
        ASSERT_TRUE(matrix.set(to, from, 1));
    ElementArcs arcs;
    ASSERT_TRUE(arcs.build(matrix));
    ReachingSet reaching;
    reaching.resize(6);
    reaching.build(arcs, 5, [](int x) { return x != 0; });
    reaching.indexWays();

    const auto open = [&](int start, std::vector<int> blocked) { return reaching.wayOpen(arcs, start, blocked); };
    EXPECT_TRUE(open(0, {}));
    EXPECT_TRUE(open(0, {2})) << "3-5 is still open";
    EXPECT_TRUE(open(0, {4})) << "4 is on no way of 0";
    EXPECT_FALSE(open(0, {2, 3}));
    EXPECT_FALSE(open(0, {1, 3}));
    EXPECT_FALSE(open(0, {5}));
    EXPECT_TRUE(open(4, {1, 2}));
    EXPECT_FALSE(open(4, {3}));
}

TEST(ReachingWays, ANewSearchForgetsTheWaysOfTheLastOne)
{
    ByteMatrix matrix;
    ASSERT_TRUE(matrix.resize(3, 3));
    ASSERT_TRUE(matrix.set(1, 0, 1));
    ASSERT_TRUE(matrix.set(2, 1, 1));
    ElementArcs arcs;
    ASSERT_TRUE(arcs.build(matrix));
    ReachingSet reaching;
    reaching.resize(3);
    reaching.build(arcs, 2, [](int) { return true; });
    reaching.indexWays();
    EXPECT_TRUE(reaching.wayOpen(arcs, 0, {}));
    // A destination that may not be entered leaves nothing reached.
    reaching.build(arcs, 2, [](int x) { return x != 2; });
    reaching.indexWays();
    EXPECT_FALSE(reaching.reached(1));
    EXPECT_FALSE(reaching.wayOpen(arcs, 0, {}));
}
