// The production NPR and ENR drivers against the straightforward ones in
// algorithms/reference: on seeded structures, with every variant and
// behaviour, both kinds of structure, reduction, ideal terminals, limits and
// a stop raised before the run, everything a run leaves behind must be the
// same — tree rows, links, decision numbers, final terms, counters, result
// code, every memory sample, the stopwatch slots used, and the availability.

#include "TestStructures.h"
#include "TreeRuns.h"

#include "algorithms/Enr.h"
#include "algorithms/Npr.h"
#include "algorithms/RunFrame.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/reference/Npr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Rows = std::vector<std::vector<int>>;

struct RunLimitsCase {
    std::int64_t memory = -1;
    std::int64_t time = -1;
    std::int64_t iterations = -1;
    bool stopBefore = false;
};

std::string describe(Algorithm algorithm, const TreeOptions& o, const RunLimitsCase& l)
{
    std::ostringstream out;
    out << algorithmName(algorithm) << (o.directed ? " directed" : " undirected")
        << (o.reduction ? " reduced" : "") << " variant " << o.variant << (o.normal ? " normalno" : " posebno")
        << (o.ideal ? " ideal" : "") << " limits " << l.memory << "/" << l.time << "/" << l.iterations
        << (l.stopBefore ? " stopped before" : "");
    return out.str();
}

// Everything a tree run leaves that the coordinator, the reports or the
// summary grid can see.
struct Outcome {
    bool returned = false;
    Rows rows;
    std::vector<int> links;
    Rows numbers; // NPR only
    Rows finalTerms;
    int iterations = 0;
    int done = 0;
    int total = 0;
    int partial = 0;
    int anomalies = 0;
    int stop = 0;
    std::vector<std::int64_t> samples;
    int lastTimer = -1;
    std::vector<int> runningTimers;
    bool evaluated = false;
    long double availability = 0;
};

std::string differences(const Outcome& a, const Outcome& b)
{
    std::ostringstream out;
    auto check = [&](bool same, const char* what) {
        if (!same)
            out << what << " differ; ";
    };
    check(a.returned == b.returned, "return values");
    check(a.rows == b.rows, "tree rows");
    check(a.links == b.links, "links");
    check(a.numbers == b.numbers, "decision numbers");
    check(a.finalTerms == b.finalTerms, "final terms");
    check(a.iterations == b.iterations, "iterations");
    check(a.done == b.done && a.total == b.total, "progress counters");
    check(a.partial == b.partial, "pending counts");
    check(a.anomalies == b.anomalies, "result codes");
    check(a.stop == b.stop, "stop cells");
    check(a.samples == b.samples, "memory samples");
    check(a.lastTimer == b.lastTimer && a.runningTimers == b.runningTimers, "stopwatch slots");
    check(a.evaluated == b.evaluated && a.availability == b.availability, "availabilities");
    if (a.rows.size() != b.rows.size())
        out << "rows " << a.rows.size() << " vs " << b.rows.size() << "; ";
    if (a.samples.size() != b.samples.size())
        out << "samples " << a.samples.size() << " vs " << b.samples.size() << "; ";
    return out.str();
}

// Changes to the prepared work structure before the run, for cases that the
// structure builder does not produce.
using Adjust = std::function<void(StructureWorkspace&)>;

Outcome runOnce(Algorithm algorithm, bool production, const StructurePlan& plan, const TreeOptions& options,
                const RunLimitsCase& limits, const Adjust& adjust = {})
{
    StructureWorkspace ws;
    prepareRun(ws, plan, options);
    if (adjust)
        adjust(ws);
    AlgorithmCells& cells = ws.cells(algorithm);
    AlgorithmOptions runOptions = velmor::testing::algorithmOptions(options);
    runOptions.limits = RunLimits{limits.memory, limits.time, limits.iterations};
    ws.resetResults();
    if (limits.stopBefore)
        cells.requestStop();

    TermRows finalTerms;
    AlgorithmRun run(algorithm, cells, runOptions);
    Outcome o;
    if (algorithm == Algorithm::Npr)
        o.returned = production ? runNpr(run, ws, finalTerms) : reference::runNpr(run, ws, finalTerms);
    else
        o.returned = production ? runEnr(run, ws, finalTerms) : reference::runEnr(run, ws, finalTerms);

    const bool npr = algorithm == Algorithm::Npr;
    o.rows = rowsOf(npr ? ws.nprRows : ws.enrRows);
    o.links = valuesOf(cells.links);
    if (npr)
        o.numbers = rowsOf(ws.nprPaths);
    o.finalTerms = rowsOf(finalTerms);
    o.iterations = cells.iterations.load();
    o.done = cells.progressDone.load();
    o.total = cells.progressTotal.load();
    o.partial = cells.partialCount.load();
    o.anomalies = cells.anomalies.load();
    o.stop = cells.stop.load();
    for (int s = 0; s <= cells.memoryLog.lastIndex(); ++s)
        o.samples.push_back(cells.memoryLog.sample(s));
    o.lastTimer = cells.timers.lastIndex();
    for (int s = 0; s <= o.lastTimer; ++s)
        if (cells.timers.running(s))
            o.runningTimers.push_back(s);
    o.evaluated = evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                                o.availability, options.ideal);
    return o;
}

// Runs both drivers on one case; returns what differs (empty when nothing).
std::string compare(Algorithm algorithm, const StructurePlan& plan, const TreeOptions& options,
                    const RunLimitsCase& limits = {}, const Adjust& adjust = {})
{
    const Outcome expected = runOnce(algorithm, false, plan, options, limits, adjust);
    const Outcome actual = runOnce(algorithm, true, plan, options, limits, adjust);
    const std::string found = differences(expected, actual);
    return found.empty() ? found : describe(algorithm, options, limits) + ": " + found;
}

std::vector<int> variantsOf(Algorithm algorithm)
{
    return algorithm == Algorithm::Npr ? std::vector<int>{0, 1} : std::vector<int>{0, 1, 2};
}

// Every combination of structure kind, reduction, behaviour and terminals,
// with every variant of the algorithm.
std::vector<TreeOptions> everyOption(Algorithm algorithm)
{
    std::vector<TreeOptions> all;
    for (int bits = 0; bits < 16; ++bits)
        for (int variant : variantsOf(algorithm))
            all.push_back({.directed = (bits & 1) != 0, .reduction = (bits & 2) != 0, .variant = variant,
                           .normal = (bits & 4) != 0, .ideal = (bits & 8) != 0});
    return all;
}

// The limit cases a structure is also run with, chosen by its seed so that
// every kind comes up often.
std::vector<RunLimitsCase> limitCases(unsigned seed)
{
    static const RunLimitsCase cases[] = {
        {.iterations = 0},     {.iterations = 1},      {.iterations = 2},        {.iterations = 7},
        {.memory = 0},         {.memory = 700},        {.memory = 4000},         {.time = 0},
        {.time = 100000},      {.stopBefore = true},   {.memory = 1500, .iterations = 5},
    };
    constexpr unsigned count = sizeof cases / sizeof cases[0];
    return {cases[seed % count], cases[(seed * 7 + 3) % count]};
}

// A random assignment of availabilities 0 and 1 to a share of the elements
// of a fixed shape, so that certain and impossible elements sit on shortest
// paths and on frontiers.
StructurePlan withCertainElements(StructurePlan plan, std::mt19937& random, double share)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick = [&](long double& availability) {
        if (unit(random) < share)
            availability = unit(random) < 0.6 ? 1.0L : 0.0L;
    };
    for (NodePlan& node : plan.nodes)
        pick(node.availability);
    for (EdgePlan& edge : plan.edges)
        pick(edge.availability);
    return plan;
}

StructurePlan complete(int nodes, long double availability)
{
    StructurePlan plan;
    for (int i = 1; i <= nodes; ++i)
        plan.nodes.push_back({i, availability});
    int label = nodes + 1;
    for (int a = 1; a <= nodes; ++a)
        for (int b = a + 1; b <= nodes; ++b)
            plan.edges.push_back({label++, a, b, availability});
    plan.source = 1;
    plan.destination = nodes;
    return plan;
}

void compareEverywhere(Algorithm algorithm, const StructurePlan& plan, unsigned seed)
{
    const std::vector<RunLimitsCase> limits = limitCases(seed);
    for (const TreeOptions& options : everyOption(algorithm)) {
        ASSERT_EQ(compare(algorithm, plan, options), "") << "seed " << seed;
        for (const RunLimitsCase& l : limits)
            ASSERT_EQ(compare(algorithm, plan, options, l), "") << "seed " << seed;
    }
}

class TreeEquivalence : public ::testing::TestWithParam<Algorithm> {};

} // namespace

TEST_P(TreeEquivalence, SmallRandomStructures)
{
    std::mt19937 random(4711);
    for (unsigned seed = 0; seed < 250; ++seed) {
        const StructurePlan plan = randomStructure(random);
        compareEverywhere(GetParam(), plan, seed);
        if (HasFatalFailure())
            return;
    }
}

TEST_P(TreeEquivalence, DenserRandomStructuresWithManyCertainElements)
{
    std::mt19937 random(90210);
    RandomShape shape;
    shape.minNodes = 4;
    shape.maxNodes = 7;
    shape.maxExtraEdges = 7;
    shape.certainShare = 0.3;
    for (unsigned seed = 0; seed < 120; ++seed) {
        const StructurePlan plan = randomStructure(random, shape);
        compareEverywhere(GetParam(), plan, seed);
        if (HasFatalFailure())
            return;
    }
}

TEST_P(TreeEquivalence, GridsBridgesAndCompleteGraphs)
{
    // Many equally short paths: the order among them decides NPR's tree.
    std::mt19937 random(5);
    const StructurePlan shapes[] = {bridge(0.9L), grid(2, 3, 0.95L, 0.9L), grid(3, 3, 0.9L, 0.8L),
                                    complete(4, 0.9L), complete(5, 0.8L), seriesChain(6, 0.9L, 0.8L)};
    unsigned seed = 0;
    for (const StructurePlan& shape : shapes) {
        for (int round = 0; round < 4; ++round, ++seed) {
            const StructurePlan plan = round == 0 ? shape : withCertainElements(shape, random, 0.2 * round);
            compareEverywhere(GetParam(), plan, seed);
            if (HasFatalFailure())
                return;
        }
    }
}

TEST_P(TreeEquivalence, LargerStructuresUnderIterationLimits)
{
    // Too large to finish with the straightforward drivers in a test, so the
    // trees are compared up to a number of expansions.
    std::mt19937 random(77);
    const StructurePlan shapes[] = {grid(4, 4, 0.9L, 0.8L), withCertainElements(grid(4, 4, 0.9L, 0.8L), random, 0.15),
                                    complete(6, 0.9L), grid(3, 5, 0.9L, 0.9L)};
    for (const StructurePlan& plan : shapes) {
        for (int bits = 0; bits < 4; ++bits) {
            for (int variant : variantsOf(GetParam())) {
                const TreeOptions options{.directed = (bits & 1) != 0, .variant = variant, .normal = (bits & 2) != 0};
                for (std::int64_t iterations : {3, 40, 150})
                    ASSERT_EQ(compare(GetParam(), plan, options, {.iterations = iterations}), "");
            }
        }
    }
}

TEST_P(TreeEquivalence, MoreThanAHundredAndTwentySevenElements)
{
    std::mt19937 random(31);
    RandomShape shape;
    shape.allowDisconnected = false;
    for (int round = 0; round < 3; ++round) {
        const StructurePlan block = randomStructure(random, shape);
        const StructurePlan plan = chainAround(block, 35, 0.999L, 0.998L).plan;
        for (int variant : variantsOf(GetParam())) {
            for (bool directed : {true, false}) {
                const TreeOptions options{.directed = directed, .variant = variant};
                ASSERT_EQ(compare(GetParam(), plan, options, {.iterations = 400}), "") << "round " << round;
            }
        }
    }
}

TEST_P(TreeEquivalence, SourceEqualToDestination)
{
    // A run never starts like this, but the drivers accept it.
    std::mt19937 random(12);
    RandomShape shape;
    shape.maxNodes = 5;
    shape.maxExtraEdges = 3;
    const Adjust sameTerminals = [](StructureWorkspace& ws) { ws.workDestinationIndex = ws.workSourceIndex; };
    for (int round = 0; round < 40; ++round) {
        const StructurePlan plan = randomStructure(random, shape);
        for (const TreeOptions& options : everyOption(GetParam())) {
            if (options.reduction)
                continue;
            ASSERT_EQ(compare(GetParam(), plan, options, {}, sameTerminals), "") << "round " << round;
        }
    }
}

TEST_P(TreeEquivalence, UnusableWorkStructures)
{
    const Adjust outside = [](StructureWorkspace& ws) { ws.workDestinationIndex = ws.workMatrix.lastRow() + 1; };
    const Adjust notSquare = [](StructureWorkspace& ws) {
        ws.workMatrix.resize(ws.workMatrix.columnCount(), ws.workMatrix.rowCount() - 1);
    };
    for (const Adjust& adjust : {outside, notSquare}) {
        EXPECT_EQ(compare(GetParam(), bridge(), {}, {}, adjust), "");
        const Outcome o = runOnce(GetParam(), true, bridge(), {}, {}, adjust);
        EXPECT_FALSE(o.returned);
        EXPECT_TRUE(o.rows.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Trees, TreeEquivalence, ::testing::Values(Algorithm::Npr, Algorithm::Enr),
                         [](const ::testing::TestParamInfo<Algorithm>& info) {
                             return std::string(algorithmName(info.param));
                         });
