// Frontier against independent answers: exhaustive enumeration of element
// states on small structures, closed forms, refusals, and the bounds it
// keeps when it is stopped.

#include "ElementGraphEnumeration.h"
#include "TestStructures.h"

#include "algorithms/Frontier.h"
#include "algorithms/WorkStructure.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

constexpr long double kExact = 1e-12L;
// Rounding between sums taken in different orders.
constexpr long double kRounding = 1e-15L;

struct Case {
    StructurePlan plan;
    bool directed = false;
    bool reduction = false;
    bool ideal = false;
    std::function<void(StructureWorkspace&)> adjust = {};

    std::string text() const
    {
        std::ostringstream out;
        out << plan.nodes.size() << " nodes, " << plan.edges.size() << " edges, " << plan.source << " -> "
            << plan.destination << (directed ? ", directed" : ", undirected") << (reduction ? ", reduced" : "")
            << (ideal ? ", ideal terminals" : "") << (adjust ? ", hand-made matrix" : "");
        return out.str();
    }
};

// A workspace with the terminal option its work structure was prepared with.
struct CaseWorkspace : StructureWorkspace {
    bool idealTerminals = false;
};

void prepare(CaseWorkspace& ws, const Case& c)
{
    buildStructure(ws, c.plan);
    ws.idealTerminals = c.ideal;
    ASSERT_TRUE(prepareWorkStructure(ws, workOptions(c.directed, c.reduction, c.ideal))) << c.text();
    if (c.adjust)
        c.adjust(ws);
}

FrontierResult frontierOf(const CaseWorkspace& ws, const FrontierControl& control = {})
{
    return runFrontier(frontierInput(ws, ws.idealTerminals), control);
}

// Simplified or not, in lanes or the general layout, in the order chosen
// and (on small structures only: most orders make the boundary wide) in
// two drawn from `seed`: the answer must not depend on any of them.
std::vector<FrontierControl> everyLayout(std::uint32_t seed = 1, bool drawnOrders = true)
{
    std::vector<FrontierControl> all;
    for (bool simplify : {true, false})
        for (bool lanes : {true, false}) {
            FrontierControl control;
            control.simplify = simplify;
            control.laneStates = lanes;
            all.push_back(control);
        }
    for (std::uint32_t k : {0u, 1u}) {
        if (!drawnOrders)
            break;
        FrontierControl control;
        control.simplify = k == 0;
        control.laneStates = k == 0;
        control.orderSeed = 2 * seed + k + 1;
        all.push_back(control);
    }
    return all;
}

std::string layoutText(const FrontierControl& control)
{
    return std::string(control.simplify ? "simplified" : "raw element graph")
           + (control.laneStates ? ", lanes" : ", general layout")
           + (control.orderSeed ? ", order drawn from " + std::to_string(control.orderSeed) : "");
}

// Done, and both bounds at `expected`.
void expectExact(const FrontierResult& r, long double expected, const std::string& what)
{
    ASSERT_EQ(r.status, FrontierStatus::Done) << what;
    EXPECT_NEAR(static_cast<double>(r.availability), static_cast<double>(expected), static_cast<double>(kExact))
        << what;
    EXPECT_NEAR(static_cast<double>(r.upperBound), static_cast<double>(expected), static_cast<double>(kExact)) << what;
    EXPECT_EQ(r.availability, r.lowerBound) << what;
}

// Elements whose state an enumeration has to go through.
int uncertainElements(const StructurePlan& plan)
{
    int count = 0;
    for (const NodePlan& node : plan.nodes)
        count += node.availability > 0 && node.availability < 1;
    for (const EdgePlan& edge : plan.edges)
        count += edge.availability > 0 && edge.availability < 1;
    return count;
}

std::vector<Case> seededCases(int count, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Case> all;
    for (int k = 0; k < count; ++k) {
        RandomShape shape;
        switch (k % 5) {
        case 0: break;
        case 1: // dense: parallel edges, many cycles
            shape.minNodes = 3;
            shape.maxNodes = 6;
            shape.maxExtraEdges = 9;
            break;
        case 2: // many elements of availability 0 and 1
            shape.certainShare = 0.5;
            break;
        case 3: // a little larger, often with parts hanging off
            shape.minNodes = 6;
            shape.maxNodes = 9;
            shape.maxExtraEdges = 5;
            break;
        default: // small and connected
            shape.maxNodes = 4;
            shape.allowDisconnected = false;
            break;
        }
        Case c;
        c.plan = randomStructure(random, shape);
        c.directed = random() % 2 == 0;
        c.reduction = random() % 3 == 0;
        c.ideal = random() % 4 == 0;
        all.push_back(std::move(c));
    }
    return all;
}

} // namespace

// --- Enumeration ---------------------------------------------------------------

TEST(FrontierEnumeration, SeededStructuresInEveryLayout)
{
    int compared = 0;
    std::uint32_t index = 0;
    for (const Case& c : seededCases(600, 20250117u)) {
        ++index;
        if (uncertainElements(c.plan) > 16)
            continue;
        const long double expected = exactAvailability(c.plan, c.directed, c.ideal);
        CaseWorkspace ws;
        prepare(ws, c);
        // The enumeration over the work structure agrees with the one over
        // the plan, so the reduced structures are checked as well.
        ASSERT_NEAR(static_cast<double>(elementGraphAvailability(ws, ws.idealTerminals)), static_cast<double>(expected), 1e-15)
            << c.text();
        for (const FrontierControl& control : everyLayout(index)) {
            expectExact(frontierOf(ws, control), expected, c.text() + ", " + layoutText(control));
            ++compared;
        }
    }
    EXPECT_GT(compared, 3000);
}

// Shapes whose boundary holds several components at once: grids and a
// ladder, both kinds, with and without failing nodes.
TEST(FrontierEnumeration, GridsAndLadders)
{
    StructurePlan ladder;
    for (int i = 1; i <= 12; ++i)
        ladder.nodes.push_back({i, 1});
    for (int i = 1; i <= 6; ++i) {
        if (i < 6) {
            ladder.edges.push_back({100 + i, i, i + 1, 0.9L});
            ladder.edges.push_back({200 + i, 6 + i, 7 + i, 0.8L});
        }
        ladder.edges.push_back({300 + i, i, 6 + i, 0.7L});
    }
    ladder.source = 1;
    ladder.destination = 12;
    StructurePlan middle = grid(3, 4, 1, 0.9L);
    middle.source = 5;
    middle.destination = 8;
    const std::vector<Case> shapes = {{grid(3, 4, 1, 0.9L)},         {grid(3, 4, 1, 0.8L), true},
                                      {grid(3, 3, 0.95L, 0.9L), false, false, true},
                                      {grid(3, 3, 0.9L, 0.8L), true, false, true},
                                      {grid(2, 4, 0.9L, 0.9L)},
                                      {ladder},                        {ladder, true},
                                      {middle},                        {middle, true}};
    for (const Case& c : shapes) {
        const long double expected = exactAvailability(c.plan, c.directed, c.ideal);
        CaseWorkspace ws;
        prepare(ws, c);
        for (const FrontierControl& control : everyLayout())
            expectExact(frontierOf(ws, control), expected, c.text() + ", " + layoutText(control));
    }
}

// Work matrices no structure file gives: elements entered straight from
// one another, loops, one-way arcs in a structure otherwise symmetric,
// cells of -1 (no arc), source next to destination.
TEST(FrontierEnumeration, HandMadeElementGraphs)
{
    std::mt19937 random(777);
    for (int k = 0; k < 300; ++k) {
        const int n = 2 + static_cast<int>(random() % 11);
        Case c;
        for (int i = 0; i < n; ++i) {
            const unsigned roll = random() % 10;
            c.plan.nodes.push_back({10 + i, roll == 0 ? 0.0L : roll == 1 ? 1.0L : 0.35L + 0.06L * (i % 10)});
        }
        c.plan.source = 10;
        c.plan.destination = 10 + n - 1;
        c.ideal = k % 5 == 0;
        const std::uint32_t cells = static_cast<std::uint32_t>(random());
        const int density = 15 + static_cast<int>(random() % 45);
        const bool symmetric = k % 3 == 0;
        c.adjust = [n, cells, density, symmetric](StructureWorkspace& ws) {
            std::mt19937 fill(cells);
            ws.workMatrix.allocate(n, n);
            for (int a = 0; a < n; ++a)
                for (int b = symmetric ? a : 0; b < n; ++b) {
                    const int roll = static_cast<int>(fill() % 100);
                    const int cell = roll < density ? 1 : roll < density + 5 ? -1 : 0;
                    ws.workMatrix.set(b, a, cell);
                    if (symmetric)
                        ws.workMatrix.set(a, b, cell);
                }
        };
        CaseWorkspace ws;
        prepare(ws, c);
        const long double expected = elementGraphAvailability(ws, ws.idealTerminals);
        for (const FrontierControl& control : everyLayout(static_cast<std::uint32_t>(k)))
            expectExact(frontierOf(ws, control), expected, c.text() + " " + std::to_string(k) + ", " + layoutText(control));
    }
}

TEST(FrontierEnumeration, EdgeCases)
{
    auto check = [](const Case& c, const std::string& what) {
        CaseWorkspace ws;
        prepare(ws, c);
        const long double expected = exactAvailability(c.plan, c.directed, c.ideal);
        for (const FrontierControl& control : everyLayout())
            expectExact(frontierOf(ws, control), expected, what + ": " + c.text());
        return expected;
    };
    for (bool directed : {false, true}) {
        // Source next to the destination, and a longer way round.
        StructurePlan adjacent = bridge(0.9L);
        adjacent.edges.push_back({20, 1, 4, 0.5L});
        check({adjacent, directed}, "adjacent terminals");
        // The destination out of reach.
        StructurePlan apart = seriesChain(3, 0.9L, 0.9L);
        apart.nodes.push_back({9, 0.9L});
        apart.destination = 9;
        EXPECT_EQ(check({apart, directed}, "unreachable"), 0);
        // An edge against the direction of the only way.
        StructurePlan backwards = seriesChain(3, 0.9L, 0.8L);
        backwards.edges[1] = {backwards.edges[1].label, 3, 2, 0.8L};
        check({backwards, directed}, "edge against the way");
        // Parallel edges and a dangling part on a node of the way.
        StructurePlan parallel = seriesChain(3, 0.95L, 0.6L);
        parallel.edges.push_back({30, 1, 2, 0.7L});
        parallel.edges.push_back({31, 1, 2, 0.2L});
        parallel.nodes.push_back({40, 0.9L});
        parallel.nodes.push_back({41, 0.9L});
        parallel.edges.push_back({32, 2, 40, 0.9L});
        parallel.edges.push_back({33, 40, 41, 0.9L});
        parallel.edges.push_back({34, 41, 2, 0.9L});
        for (bool reduction : {false, true})
            check({parallel, directed, reduction}, "parallel and dangling");
        // Terminals of availability 0 and 1, ideal or not.
        StructurePlan terminals = bridge(0.9L);
        terminals.nodes[0].availability = 0;
        terminals.nodes[3].availability = 0.5L;
        for (bool ideal : {false, true})
            check({terminals, directed, false, ideal}, "terminal of availability 0");
        // Nothing uncertain: certainly connected, certainly not.
        EXPECT_EQ(check({seriesChain(4, 1, 1), directed}, "certain"), 1);
        StructurePlan broken = seriesChain(4, 1, 1);
        broken.edges[2].availability = 0;
        EXPECT_EQ(check({broken, directed}, "certainly broken"), 0);
    }
}

TEST(FrontierEnumeration, SourceIsDestination)
{
    CaseWorkspace ws;
    prepare(ws, {bridge(0.9L)});
    ws.elements.update(0, 1, 0.7L);
    ws.workDestinationIndex = ws.workSourceIndex;
    expectExact(frontierOf(ws), 0.7L, "source is destination");
    ws.idealTerminals = true;
    expectExact(frontierOf(ws), 1, "ideal source is destination");
}

// --- Closed forms ------------------------------------------------------------------

TEST(FrontierClosedForms, SeriesChainIsTheProduct)
{
    for (bool directed : {false, true})
        for (bool ideal : {false, true})
            for (int nodes : {2, 5, 40, 400}) {
                Case c{seriesChain(nodes, 0.99L, 0.95L), directed, false, ideal};
                CaseWorkspace ws;
                prepare(ws, c);
                long double product = std::pow(0.95L, nodes - 1) * std::pow(0.99L, ideal ? nodes - 2 : nodes);
                expectExact(frontierOf(ws), product, c.text());
            }
}

TEST(FrontierClosedForms, BridgePolynomial)
{
    for (long double p : {0.1L, 0.5L, 0.9L, 0.99L}) {
        Case c{bridge(p)};
        CaseWorkspace ws;
        prepare(ws, c);
        const long double expected =
            2 * std::pow(p, 2) + 2 * std::pow(p, 3) - 5 * std::pow(p, 4) + 2 * std::pow(p, 5);
        for (const FrontierControl& control : everyLayout())
            expectExact(frontierOf(ws, control), expected, "bridge, " + layoutText(control));
    }
    CaseWorkspace ws;
    prepare(ws, {bridge(0.9L)});
    expectExact(frontierOf(ws), 0.97848L, "bridge of 0.9");
}

TEST(FrontierClosedForms, ParallelEdges)
{
    for (int k : {1, 2, 7, 60}) {
        StructurePlan plan;
        plan.nodes = {{1, 1}, {2, 1}};
        for (int e = 0; e < k; ++e)
            plan.edges.push_back({10 + e, 1, 2, 0.3L});
        plan.source = 1;
        plan.destination = 2;
        for (bool simplify : {true, false}) {
            CaseWorkspace ws;
            prepare(ws, {plan});
            FrontierControl control;
            control.simplify = simplify;
            expectExact(frontierOf(ws, control), 1 - std::pow(0.7L, k), "parallel " + std::to_string(k));
        }
    }
}

namespace {

// Two rails of `rungs` nodes (perfect) joined by a rung at every position,
// from the start of the first rail to the end of the second, every edge of
// availability p.
StructurePlan ladder(int rungs, long double p)
{
    StructurePlan plan;
    for (int i = 1; i <= 2 * rungs; ++i)
        plan.nodes.push_back({i, 1});
    int label = 1000;
    for (int i = 1; i <= rungs; ++i) {
        if (i < rungs) {
            plan.edges.push_back({label++, i, i + 1, p});
            plan.edges.push_back({label++, rungs + i, rungs + i + 1, p});
        }
        plan.edges.push_back({label++, i, rungs + i, p});
    }
    plan.source = 1;
    plan.destination = 2 * rungs;
    return plan;
}

// The same by transfer over the rungs: after rung i, which of its two nodes
// the source reaches (both, the first rail's only, the second rail's only;
// neither ends every way).
long double ladderByTransfer(int rungs, long double p)
{
    const long double f = 1 - p;
    long double both = p, first = f, second = 0;
    for (int i = 2; i <= rungs; ++i) {
        // Reached over the rails, then the rung may join the two.
        const long double fromBoth[3] = {p * p, p * f, f * p}; // both, first, second
        const long double fromOne = p;                         // that rail works
        const long double railsBoth = both * fromBoth[0];
        const long double railsFirst = both * fromBoth[1] + first * fromOne;
        const long double railsSecond = both * fromBoth[2] + second * fromOne;
        both = railsBoth + p * (railsFirst + railsSecond);
        first = f * railsFirst;
        second = f * railsSecond;
    }
    return both + second;
}

} // namespace

TEST(FrontierClosedForms, LadderByTransferMatrix)
{
    for (int rungs : {2, 3, 10, 100}) {
        Case c{ladder(rungs, 0.9L)};
        CaseWorkspace ws;
        prepare(ws, c);
        if (rungs <= 3) {
            ASSERT_NEAR(static_cast<double>(ladderByTransfer(rungs, 0.9L)),
                        static_cast<double>(exactAvailability(c.plan, false, false)), 1e-15);
        }
        for (const FrontierControl& control : everyLayout(1, rungs <= 3))
            expectExact(frontierOf(ws, control), ladderByTransfer(rungs, 0.9L),
                        "ladder of " + std::to_string(rungs) + ", " + layoutText(control));
    }
}

// --- Refusals --------------------------------------------------------------------------

TEST(FrontierInput, RefusesWhatTheElementGraphCannotMean)
{
    auto refusalOf = [](const std::function<void(StructureWorkspace&)>& spoil) {
        CaseWorkspace ws;
        prepare(ws, {bridge(0.9L)});
        spoil(ws);
        const FrontierInput input = frontierInput(ws, ws.idealTerminals);
        const FrontierResult result = runFrontier(input);
        EXPECT_EQ(result.status, input.usable() ? FrontierStatus::Done : FrontierStatus::Refused);
        return input.refusal;
    };
    EXPECT_EQ(refusalOf([](StructureWorkspace&) {}), FrontierRefusal::None);
    EXPECT_EQ(refusalOf([](StructureWorkspace& ws) {
                  ws.workMatrix.resize(ws.workMatrix.columnCount() + 1, ws.workMatrix.rowCount());
              }),
              FrontierRefusal::NotSquare);
    EXPECT_EQ(refusalOf([](StructureWorkspace& ws) { ws.workMatrix.set(5, 0, 2); }), FrontierRefusal::CellAboveOne);
    EXPECT_EQ(refusalOf([](StructureWorkspace& ws) { ws.workDestinationIndex = ws.workMatrix.rowCount(); }),
              FrontierRefusal::TerminalOutside);
    EXPECT_EQ(refusalOf([](StructureWorkspace& ws) { ws.workSourceIndex = -1; }), FrontierRefusal::TerminalOutside);
    EXPECT_EQ(refusalOf([](StructureWorkspace& ws) { ws.elementMap.set(6, 99); }), FrontierRefusal::MissingElement);
}

TEST(FrontierInput, CellsBelowZeroAreNoArcs)
{
    CaseWorkspace ws;
    prepare(ws, {bridge(0.9L)});
    // The middle edge (element 6) blocked both ways: two parallel ways.
    for (int node : {1, 2}) {
        ws.workMatrix.set(6, node, -1);
        ws.workMatrix.set(node, 6, -1);
    }
    expectExact(frontierOf(ws), 1 - std::pow(1 - 0.81L, 2), "blocked bridge");
    EXPECT_EQ(frontierInput(ws, ws.idealTerminals).refusal, FrontierRefusal::None);
}

TEST(FrontierInput, IdealTerminalsCountAsWorking)
{
    CaseWorkspace ws;
    StructurePlan plan = seriesChain(3, 0.5L, 0.9L);
    buildStructure(ws, plan);
    ws.idealTerminals = true;
    ASSERT_TRUE(prepareWorkStructure(ws, workOptions(true, false, true)));
    const FrontierInput input = frontierInput(ws, ws.idealTerminals);
    EXPECT_EQ(input.availability[static_cast<std::size_t>(input.source)], 1);
    EXPECT_EQ(input.availability[static_cast<std::size_t>(input.destination)], 1);
    expectExact(runFrontier(input), 0.5L * 0.81L, "ideal terminals");
}

// --- Stop, bounds, limits ---------------------------------------------------------------

namespace {

void expectBracket(const FrontierResult& r, long double exact, const std::string& what)
{
    EXPECT_LE(r.lowerBound, exact + kRounding) << what;
    EXPECT_GE(r.upperBound, exact - kRounding) << what;
    EXPECT_LE(r.lowerBound, r.upperBound + kRounding) << what;
    EXPECT_EQ(r.availability, r.lowerBound) << what;
}

} // namespace

// Stopped after every step in turn, the bounds bracket the availability,
// the lower one never falls and the upper one never rises.
TEST(FrontierStop, BoundsBracketTheAvailabilityAtEveryStep)
{
    std::vector<Case> cases = {{grid(3, 4, 0.95L, 0.9L)}, {grid(3, 3, 0.9L, 0.8L), true}, {bridge(0.6L)}};
    for (const Case& c : seededCases(40, 99))
        cases.push_back(c);
    int stops = 0;
    for (const Case& c : cases) {
        CaseWorkspace ws;
        prepare(ws, c);
        const FrontierInput input = frontierInput(ws, ws.idealTerminals);
        for (const FrontierControl& layout : everyLayout()) {
            const FrontierResult full = runFrontier(input, layout);
            ASSERT_EQ(full.status, FrontierStatus::Done);
            long double lower = 0, upper = 1;
            for (int stopAt = 1; stopAt < full.totalSteps; ++stopAt) {
                FrontierControl control = layout;
                std::vector<FrontierProgress> seen;
                control.endStep = [&](const FrontierProgress& p) {
                    seen.push_back(p);
                    return p.done == stopAt;
                };
                const FrontierResult r = runFrontier(input, control);
                ++stops;
                const std::string what = c.text() + ", stopped after step " + std::to_string(stopAt);
                ASSERT_EQ(r.status, FrontierStatus::Stopped) << what;
                EXPECT_EQ(r.steps, stopAt) << what;
                expectBracket(r, full.availability, what);
                EXPECT_GE(r.lowerBound, lower - kRounding) << what;
                EXPECT_LE(r.upperBound, upper + kRounding) << what;
                lower = r.lowerBound;
                upper = r.upperBound;
                ASSERT_EQ(static_cast<int>(seen.size()), stopAt) << what;
                for (std::size_t i = 0; i < seen.size(); ++i) {
                    EXPECT_EQ(seen[i].done, static_cast<int>(i) + 1);
                    EXPECT_EQ(seen[i].total, full.totalSteps);
                    EXPECT_GT(seen[i].workingSet, 0);
                }
            }
        }
    }
    EXPECT_GT(stops, 500);
}

TEST(FrontierStop, CheckPointInsideAStep)
{
    // Boundaries of thousands of states: the check points come inside steps.
    for (const Case& c : {Case{grid(8, 8, 0.99L, 0.9L)}, Case{grid(7, 7, 0.99L, 0.9L), true}}) {
        CaseWorkspace ws;
        prepare(ws, c);
        const FrontierInput input = frontierInput(ws, ws.idealTerminals);
        const FrontierResult full = runFrontier(input);
        ASSERT_EQ(full.status, FrontierStatus::Done);
        for (int stopAt : {1, 3, 10}) {
            int checks = 0;
            int stepsAtStop = -1;
            int steps = 0;
            FrontierControl control;
            control.endStep = [&](const FrontierProgress&) { return ++steps, false; };
            control.checkPoint = [&] {
                if (++checks < stopAt)
                    return false;
                stepsAtStop = steps;
                return true;
            };
            const FrontierResult r = runFrontier(input, control);
            if (r.status == FrontierStatus::Done) {
                // Fewer long steps than check points asked for; the
                // undirected grid has enough of them for the first.
                EXPECT_TRUE(c.directed || stopAt > 1) << c.text();
                EXPECT_LT(checks, stopAt);
                continue;
            }
            ASSERT_EQ(r.status, FrontierStatus::Stopped) << c.text();
            EXPECT_EQ(r.steps, stepsAtStop);
            expectBracket(r, full.availability, c.text() + ", check point " + std::to_string(stopAt));
            EXPECT_LT(r.upperBound - r.lowerBound, 1);
        }
    }
}

TEST(FrontierStop, MemoryCeilingEndsTheRunWithBounds)
{
    CaseWorkspace ws;
    prepare(ws, {grid(7, 7, 0.99L, 0.9L)});
    const FrontierInput input = frontierInput(ws, ws.idealTerminals);
    const FrontierResult full = runFrontier(input);
    ASSERT_EQ(full.status, FrontierStatus::Done);
    EXPECT_GT(full.peakWorkingSet, 0);
    EXPECT_GT(full.peakStates, 1000);
    for (std::int64_t ceiling : {std::int64_t{0}, std::int64_t{20000}, full.peakWorkingSet / 4}) {
        FrontierControl control;
        control.memoryCeiling = ceiling;
        const FrontierResult r = runFrontier(input, control);
        const std::string what = "ceiling " + std::to_string(ceiling);
        ASSERT_EQ(r.status, FrontierStatus::OutOfMemory) << what;
        expectBracket(r, full.availability, what);
        EXPECT_LT(r.steps, full.totalSteps) << what;
    }
    FrontierControl roomy;
    roomy.memoryCeiling = 2 * full.peakWorkingSet;
    expectExact(runFrontier(input, roomy), full.availability, "ceiling above the peak");
}

TEST(FrontierWidth, BoundaryBeyondWhatStatesHold)
{
    // Every node reaches every later one: in any order the boundary holds
    // nearly all of them.
    StructurePlan plan;
    const int nodes = 72;
    for (int i = 1; i <= nodes; ++i)
        plan.nodes.push_back({i, 0.9L});
    int label = 1000;
    for (int a = 1; a <= nodes; ++a)
        for (int b = a + 1; b <= nodes; ++b)
            plan.edges.push_back({label++, a, b, 0.5L});
    plan.source = 1;
    plan.destination = nodes;
    CaseWorkspace ws;
    prepare(ws, {plan, true});
    const FrontierResult r = frontierOf(ws);
    EXPECT_EQ(r.status, FrontierStatus::TooWide);
    EXPECT_GT(r.width, 62);
    EXPECT_EQ(r.lowerBound, 0);
    EXPECT_EQ(r.upperBound, 1);
}
