// Frontier as a run's fourth algorithm, and the bracket every run gives:
// the availability found so far below, one minus the failures found above.

#include "ControllerFixture.h"
#include "TestStructures.h"
#include "algorithms/AlgorithmTraits.h"
#include "algorithms/SolutionTreeRun.h"
#include "run/RunEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

using namespace velmor;
using namespace velmor::testing;

namespace {

// The engine on a workspace of its own, as velmor-cli drives it.
struct EngineRun {
    StructureWorkspace ws;
    ControlChannel channel;
    RunEngine engine{ws, channel};

    explicit EngineRun(const StructurePlan& plan) { buildStructure(ws, plan); }

    void run(const RunOptions& options)
    {
        engine.startRun(options, true);
        engine.waitUntilIdle();
        channel.takeAll();
    }
};

RunOptions everyAlgorithm(const StructurePlan& plan, bool directed, bool ideal)
{
    RunOptions options = workOptions(directed, true, ideal);
    for (Algorithm a : kRunAlgorithms)
        options.of(a).selected = true;
    options.of(Algorithm::Abraham).variant = 2;
    options.of(Algorithm::Enr).variant = 2;
    options.of(Algorithm::Npr).variant = 1;
    options.sourceLabel = plan.source;
    options.destinationLabel = plan.destination;
    return options;
}

} // namespace

TEST(RunBounds, EveryAlgorithmOfAFinishedRunClosesTheBracketOnTheExactValue)
{
    std::mt19937 random(77);
    for (int round = 0; round < 40; ++round) {
        const StructurePlan plan = randomStructure(random);
        const bool directed = round % 2 == 0;
        const bool ideal = round % 3 != 0;
        const long double exact = exactAvailability(plan, directed, ideal);
        auto e = std::make_unique<EngineRun>(plan);
        e->run(everyAlgorithm(plan, directed, ideal));
        for (Algorithm a : kRunAlgorithms) {
            const AlgorithmCells& cells = e->ws.cells(a);
            const std::string what = std::string(algorithmName(a)) + ", round " + std::to_string(round);
            ASSERT_TRUE(cells.done.load()) << what;
            EXPECT_NEAR(static_cast<double>(cells.availabilityValue()), static_cast<double>(exact), 1e-12) << what;
            EXPECT_EQ(cells.bounds(), (AvailabilityBounds{cells.availabilityValue(), cells.availabilityValue()}))
                << what;
        }
    }
}

TEST(RunBounds, RunsCutShortAtAnyIterationBracketTheExactValue)
{
    // A grid too big to finish within the limits, with the exact value from
    // enumeration; the trees' upper bounds must come below 1 somewhere.
    const StructurePlan plan = grid(3, 4, 1.0L, 0.9L);
    const long double exact = exactAvailability(plan, false, true);
    std::mt19937 random(5);
    bool treeBelowOne = false;
    int cutShort = 0;
    for (int round = 0; round < 30; ++round) {
        RunOptions options = everyAlgorithm(plan, false, true);
        const std::int64_t limit = 1 + static_cast<std::int64_t>(random() % 400);
        for (Algorithm a : kRunAlgorithms)
            options.of(a).limits.iterations = limit;
        auto e = std::make_unique<EngineRun>(plan);
        e->run(options);
        for (Algorithm a : kRunAlgorithms) {
            const AlgorithmCells& cells = e->ws.cells(a);
            const AvailabilityBounds b = cells.bounds();
            const std::string what = std::string(algorithmName(a)) + ", limit " + std::to_string(limit);
            EXPECT_EQ(b.lower, cells.availabilityValue()) << what;
            EXPECT_LE(b.lower, exact * (1 + 1e-15L)) << what;
            EXPECT_GE(b.upper, exact * (1 - 1e-15L)) << what;
            EXPECT_LE(b.upper, 1.0L) << what;
            if (cells.anomalies.load() < 0) {
                ++cutShort;
                treeBelowOne = treeBelowOne || (a != Algorithm::Abraham && b.upper < 1);
            }
        }
    }
    EXPECT_GT(cutShort, 30);
    EXPECT_TRUE(treeBelowOne);
}

TEST(RunBounds, UpperBoundOfATreeKeepsTheRootsOwnFailureOut)
{
    // Real terminals: the trees grow from a working source, so the source's
    // own failure is never one of their leaves and must not raise the bound.
    const StructurePlan plan = seriesChain(4, 0.8L, 0.9L);
    const long double exact = exactAvailability(plan, false, false);
    RunOptions options = everyAlgorithm(plan, false, false);
    for (Algorithm a : {Algorithm::Enr, Algorithm::Npr})
        options.of(a).limits.iterations = 1;
    auto e = std::make_unique<EngineRun>(plan);
    e->run(options);
    for (Algorithm a : {Algorithm::Enr, Algorithm::Npr}) {
        const AvailabilityBounds b = e->ws.cells(a).bounds();
        EXPECT_LT(e->ws.cells(a).anomalies.load(), 0) << algorithmName(a);
        EXPECT_LE(b.upper, 0.8L + 1e-15L) << algorithmName(a);
        EXPECT_GE(b.upper, exact) << algorithmName(a);
    }
}

TEST(RunBounds, TreesAtTheirRowBoundEndLimitedWithTheirBracket)
{
    // Row numbers are ints: a tree that would pass them must end as a
    // limited run, keeping what it found, not fail without a result. The
    // bound is lowered below what each tree needs, down to less than its
    // first expansion.
    struct RowBound {
        explicit RowBound(int rows) { trees::setMostTreeRowsForTesting(rows); }
        ~RowBound() { trees::setMostTreeRowsForTesting(0); }
    };
    const StructurePlan plan = grid(3, 4, 1.0L, 0.9L);
    const long double exact = exactAvailability(plan, false, false);
    for (Algorithm a : {Algorithm::Enr, Algorithm::Npr}) {
        for (int variant : {0, 1, 2}) {
            if (a == Algorithm::Npr && variant == 2)
                continue;
            RunOptions options = everyAlgorithm(plan, false, false);
            for (Algorithm other : kRunAlgorithms)
                options.of(other).selected = other == a;
            options.of(a).variant = variant;
            auto whole = std::make_unique<EngineRun>(plan);
            whole->run(options);
            const int rows = whole->ws.liveTerms(a).rowCount();
            ASSERT_GT(rows, 100);
            for (int bound : {10, rows / 2, rows - 1}) {
                const RowBound bounded(bound);
                auto e = std::make_unique<EngineRun>(plan);
                e->run(options);
                const AlgorithmCells& cells = e->ws.cells(a);
                const AvailabilityBounds b = cells.bounds();
                const std::string what = std::string(algorithmName(a)) + ", variant " + std::to_string(variant) + ", "
                                         + std::to_string(bound) + " of " + std::to_string(rows) + " rows";
                ASSERT_TRUE(cells.done.load()) << what;
                EXPECT_LT(cells.anomalies.load(), 0) << what;
                EXPECT_FALSE(e->engine.stoppedByUser(a)) << what;
                EXPECT_LE(e->ws.liveTerms(a).rowCount(), bound) << what;
                EXPECT_EQ(b.lower, cells.availabilityValue()) << what;
                EXPECT_LE(b.lower, exact * (1 + 1e-15L)) << what;
                EXPECT_GE(b.upper, exact * (1 - 1e-15L)) << what;
            }
        }
    }
}

TEST_F(ControllerTest, FrontierChosenFromTheMenuAddsItsRowAfterTheThree)
{
    const StructurePlan plan = bridge();
    load(plan, false);
    EXPECT_FALSE(board().checked("Frontier1")); // unchosen until the user ticks it
    EXPECT_TRUE(board().enabled("Frontier1"));
    chooseAlgorithms(true, false, true);
    runToEnd();
    EXPECT_EQ(board().rowCount(), 3);
    controller.userCheck("Frontier1", true);
    runToEnd();
    ASSERT_EQ(board().rowCount(), 4);
    EXPECT_EQ(board().cell(1, 0), "Abraham");
    EXPECT_EQ(board().cell(2, 0), "NPR");
    EXPECT_EQ(board().cell(3, 0), "Frontier");
    EXPECT_EQ(board().cell(3, 1), board().cell(1, 1));
    EXPECT_EQ(board().cell(3, 4), "nisu primjećene");
    EXPECT_EQ(controller.engine().rowOf(Algorithm::Frontier), 3);
    // Only Frontier: it is enough for a run.
    chooseAlgorithms(false, false, false);
    runToEnd();
    ASSERT_EQ(board().rowCount(), 2);
    EXPECT_EQ(board().cell(1, 0), "Frontier");
    EXPECT_TRUE(board().errors().empty());
}

TEST_F(ControllerTest, FrontierStopsFromItsMenuItemAndIsThenInterrupted)
{
    // Seconds of work: the stop comes long before the end.
    load(grid(12, 12, 0.99L, 0.9L), false);
    chooseAlgorithms(false, false, false);
    controller.userCheck("Frontier1", true);
    controller.startRun();
    ASSERT_TRUE(waitFor([&] { return board().enabled("Frontier3"); }));
    // Some elements processed first: a stop before the first one has nothing
    // to bracket and rightly reports [0, 1].
    const AlgorithmCells& live = controller.workspace().frontier;
    ASSERT_TRUE(waitFor([&] { return live.progressDone.load() >= 20; }));
    controller.stopAlgorithm(Algorithm::Frontier);
    controller.engine().waitUntilIdle();
    controller.drain();
    const AlgorithmCells& cells = live;
    EXPECT_LT(cells.anomalies.load(), 0);
    EXPECT_EQ(board().cell(1, 4), "prekinuta nit");
    EXPECT_LE(cells.bounds().lower, cells.bounds().upper);
    EXPECT_LT(cells.bounds().upper - cells.bounds().lower, 1.0L);
    EXPECT_FALSE(board().enabled("Frontier3"));
}
