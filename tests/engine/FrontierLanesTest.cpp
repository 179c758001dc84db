// The lane layout's keys themselves. Its answers are checked against
// enumeration elsewhere, but a key that names a component wrongly or keeps
// a dead end still gives the right answer, only with states that should
// have merged; a later step can then join two components that merely
// share a name. So every key of every table, on grids and seeded
// structures in chosen and drawn orders, must be canonical: a component
// named by its lowest lane, no part of neither terminal that can only end
// where it is, and the probability all accounted for.

#include "TestStructures.h"

#include "algorithms/Frontier.h"
#include "algorithms/FrontierGraph.h"
#include "algorithms/FrontierLanes.h"
#include "algorithms/FrontierOrder.h"
#include "algorithms/FrontierTable.h"
#include "algorithms/WorkStructure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::frontier;
using namespace velmor::testing;

namespace {

constexpr int kFirstOther = 3;

int laneOf(std::uint64_t key, int lane)
{
    return static_cast<int>((key >> (4 * lane)) & 0xF);
}

// Empty when the key is canonical after step k, else what is wrong.
std::string faultOf(std::uint64_t key, std::uint32_t singleExit)
{
    for (int lane = 0; lane < 16; ++lane) {
        const int label = laneOf(key, lane);
        if (label < kFirstOther)
            continue;
        int lowest = -1;
        int members = 0;
        for (int other = 0; other < 16; ++other)
            if (laneOf(key, other) == label) {
                lowest = lowest < 0 ? other : lowest;
                ++members;
            }
        if (label != kFirstOther + lowest)
            return "lane " + std::to_string(lane) + " named " + std::to_string(label) + ", its lowest lane is "
                   + std::to_string(lowest);
        if (members == 1 && (singleExit >> lane) & 1)
            return "lane " + std::to_string(lane) + " alone with one way out";
    }
    return {};
}

// Runs the lane layout step by step as the programme does, checking every
// table; the run must end with all probability connected or not.
void expectCanonicalRun(const Graph& graph, const std::vector<int>& order, const std::string& what)
{
    const Plan plan = pairLinks(planSteps(graph, order));
    if (plan.workingWidth > LanePartitions::kMostPositions)
        return;
    const LanePartitions lanes(graph, plan);
    StateTable current, next;
    StateStage stage;
    current.reset(1);
    ASSERT_TRUE(current.addEmptyBoundary());
    long double settled = 0;
    for (int k = 0; k < static_cast<int>(plan.steps.size()); ++k) {
        next.reset(1);
        StepOutcomes out(next, stage, -1);
        ASSERT_TRUE(stage.begin(1, current.size() + 1, -1));
        for (std::size_t i = 0; i < current.size(); ++i)
            lanes.expand(k, current.key(i), current.weightIn(i), out);
        out.merge();
        ASSERT_FALSE(out.outOfRoom);
        settled += out.connected + out.disconnected;
        for (std::size_t i = 0; i < next.size(); ++i) {
            const std::string fault = faultOf(*next.key(i), lanes.singleExitAfter(k));
            ASSERT_TRUE(fault.empty()) << what << ", after step " << k << ": " << fault;
        }
        std::swap(current, next);
    }
    EXPECT_NEAR(static_cast<double>(settled + current.totalWeight()), 1.0, 1e-15) << what;
}

void expectCanonical(const StructurePlan& plan, const std::string& what, std::uint32_t seed)
{
    StructureWorkspace ws;
    buildStructure(ws, plan);
    ASSERT_TRUE(prepareWorkStructure(ws, workOptions(false, false, false))) << what;
    for (bool simplify : {true, false}) {
        const Graph graph = buildGraph(frontierInput(ws, false), simplify);
        if (graph.settled || graph.directed)
            continue;
        const std::string kind = what + (simplify ? ", simplified" : ", raw element graph");
        expectCanonicalRun(graph, chooseVertexOrder(graph), kind);
        expectCanonicalRun(graph, shuffledVertexOrder(graph, seed), kind + ", drawn order");
    }
}

} // namespace

TEST(FrontierLanes, KeysStayCanonicalOnGrids)
{
    for (long double node : {1.0L, 0.9L, 0.0L}) {
        for (auto [rows, columns] : {std::pair{3, 3}, std::pair{4, 5}, std::pair{6, 6}}) {
            StructurePlan plan = grid(rows, columns, node, 0.9L);
            // A node that always fails inside, and a certain edge.
            if (node == 0.0L) {
                for (NodePlan& n : plan.nodes)
                    n.availability = n.label % 5 == 2 ? 0 : 0.95L;
                plan.edges.front().availability = 1;
            }
            expectCanonical(plan, std::to_string(rows) + "x" + std::to_string(columns) + " grid, nodes "
                                      + std::to_string(static_cast<double>(node)),
                            static_cast<std::uint32_t>(rows * columns));
        }
    }
}

TEST(FrontierLanes, KeysStayCanonicalOnSeededStructures)
{
    std::mt19937 random(424242u);
    for (int k = 0; k < 300; ++k) {
        RandomShape shape;
        shape.minNodes = 4;
        shape.maxNodes = 10;
        shape.maxExtraEdges = 8;
        shape.certainShare = k % 3 == 0 ? 0.4 : 0;
        expectCanonical(randomStructure(random, shape), "seeded structure " + std::to_string(k),
                        static_cast<std::uint32_t>(k + 1));
    }
}
