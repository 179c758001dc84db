// Frontier and the three other exact algorithms (the production drivers, in
// every variant and behaviour) give the same availability on the same work
// structures: seeded structures of both kinds, with reduction and ideal
// terminals, hand-made element graphs, and structures too large to
// enumerate, where Frontier is the independent check of the other three.

#include "TestStructures.h"

#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/Frontier.h"
#include "algorithms/Npr.h"
#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace velmor;
using namespace velmor::testing;

namespace {

constexpr double kAgree = 1e-12;

struct Setting {
    Algorithm algorithm;
    int variant;
    bool normal;

    std::string text() const
    {
        return std::string(algorithmName(algorithm)) + " variant " + std::to_string(variant)
               + (normal ? " normalno" : " posebno");
    }
};

std::vector<Setting> everySetting()
{
    std::vector<Setting> all;
    for (bool normal : {true, false}) {
        // Rule 0 is the workspace's value until a run captures the option.
        for (int rule : {0, 1, 2})
            all.push_back({Algorithm::Abraham, rule, normal});
        for (int variant : {0, 1, 2})
            all.push_back({Algorithm::Enr, variant, normal});
        for (int variant : {0, 1})
            all.push_back({Algorithm::Npr, variant, normal});
    }
    return all;
}

// The availability a run of the driver would end with, as the coordinator
// evaluates its final terms.
long double algorithmAvailability(StructureWorkspace& ws, const Setting& s, bool idealTerminals)
{
    ws.resetResults();
    AlgorithmCells& cells = ws.cells(s.algorithm);
    AlgorithmOptions options;
    options.normal = s.normal;
    options.variant = s.variant;
    TermRows finalTerms;
    bool ran = false;
    {
        AlgorithmRun run(s.algorithm, cells, options);
        ran = traits(s.algorithm).driver(run, ws, finalTerms);
    }
    EXPECT_TRUE(ran) << s.text();
    long double value = -1;
    EXPECT_TRUE(evaluateTerms(finalTerms, ws.elementMap, ws.workSourceIndex, ws.workDestinationIndex, ws.elements,
                              value, idealTerminals))
        << s.text();
    return value;
}

struct Case {
    StructurePlan plan;
    bool directed = false;
    bool reduction = false;
    bool ideal = false;
    std::function<void(StructureWorkspace&)> adjust = {};
    std::string note = {};

    std::string text() const
    {
        std::ostringstream out;
        out << plan.nodes.size() << " nodes, " << plan.edges.size() << " edges, " << plan.source << " -> "
            << plan.destination << (directed ? ", directed" : ", undirected") << (reduction ? ", reduced" : "")
            << (ideal ? ", ideal terminals" : "") << note;
        return out.str();
    }
};

class FrontierAgreement : public ::testing::Test {
protected:
    // Frontier's answer on the prepared case, then every setting's.
    void compare(const Case& c, const std::vector<Setting>& settings)
    {
        StructureWorkspace ws;
        buildStructure(ws, c.plan);
        ASSERT_TRUE(prepareWorkStructure(ws, workOptions(c.directed, c.reduction, c.ideal))) << c.text();
        if (c.adjust)
            c.adjust(ws);
        const FrontierResult frontier = runFrontier(frontierInput(ws, c.ideal));
        ASSERT_EQ(frontier.status, FrontierStatus::Done) << c.text();
        for (const Setting& s : settings) {
            const long double other = algorithmAvailability(ws, s, c.ideal);
            ++compared_;
            if (std::fabs(static_cast<double>(other - frontier.availability)) > kAgree && ++mismatches_ <= 5)
                ADD_FAILURE() << s.text() << " gives " << static_cast<double>(other) << ", Frontier "
                              << static_cast<double>(frontier.availability) << "\n  " << c.text();
        }
    }

    void TearDown() override { EXPECT_EQ(mismatches_, 0) << "of " << compared_ << " compared runs"; }

    int compared_ = 0;
    int mismatches_ = 0;
};

} // namespace

TEST_F(FrontierAgreement, SeededStructuresEverySetting)
{
    std::mt19937 random(4711);
    for (int k = 0; k < 300; ++k) {
        RandomShape shape;
        switch (k % 4) {
        case 0: break;
        case 1:
            shape.minNodes = 3;
            shape.maxNodes = 6;
            shape.maxExtraEdges = 8;
            break;
        case 2: shape.certainShare = 0.5; break;
        default:
            shape.minNodes = 5;
            shape.maxNodes = 8;
            shape.maxExtraEdges = 4;
            break;
        }
        Case c{randomStructure(random, shape)};
        c.directed = random() % 2 == 0;
        c.reduction = random() % 3 == 0;
        c.ideal = random() % 4 == 0;
        compare(c, everySetting());
    }
    EXPECT_EQ(compared_, 300 * 16);
}

// Arcs between any elements, loops, symmetric and one-way parts, cells of
// -1; the three algorithms and Frontier read the same element graph.
TEST_F(FrontierAgreement, HandMadeWorkMatricesEverySetting)
{
    std::mt19937 random(31337);
    for (int k = 0; k < 120; ++k) {
        const int n = 3 + static_cast<int>(random() % 6);
        Case c;
        for (int i = 0; i < n; ++i) {
            const unsigned roll = random() % 10;
            c.plan.nodes.push_back({10 + i, roll == 0 ? 0.0L : roll == 1 ? 1.0L : 0.5L + 0.05L * (i % 8)});
        }
        c.plan.source = 10;
        c.plan.destination = 10 + n - 1;
        c.ideal = k % 4 == 0;
        c.note = ", hand-made work matrix " + std::to_string(k);
        const std::uint32_t cells = static_cast<std::uint32_t>(random());
        const int density = 25 + static_cast<int>(random() % 40);
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
            // Mostly no direct arc from source to destination.
            if (fill() % 4 != 0)
                ws.workMatrix.set(n - 1, 0, 0);
        };
        compare(c, everySetting());
    }
}

// Structures whose element states are too many to enumerate: Frontier is
// the independent answer the three must meet.
TEST_F(FrontierAgreement, BeyondEnumeration)
{
    std::mt19937 random(2718);
    const std::vector<Setting> settings = {{Algorithm::Abraham, 2, true}, {Algorithm::Enr, 2, true},
                                           {Algorithm::Npr, 1, true},     {Algorithm::Abraham, 1, false},
                                           {Algorithm::Enr, 1, false},    {Algorithm::Npr, 0, false}};
    int large = 0;
    for (int k = 0; k < 60; ++k) {
        RandomShape shape;
        shape.minNodes = 13;
        shape.maxNodes = 18;
        shape.maxExtraEdges = 8;
        shape.certainShare = 0.05;
        Case c{randomStructure(random, shape)};
        c.directed = k % 2 == 0;
        c.reduction = k % 3 == 0;
        int uncertain = 0;
        for (const NodePlan& node : c.plan.nodes)
            uncertain += node.availability > 0 && node.availability < 1;
        for (const EdgePlan& edge : c.plan.edges)
            uncertain += edge.availability > 0 && edge.availability < 1;
        large += uncertain > 24;
        compare(c, settings);
    }
    compare({grid(3, 4, 0.99L, 0.9L)}, settings);
    compare({grid(3, 5, 0.95L, 0.9L), true}, settings);
    compare({grid(2, 8, 0.99L, 0.9L)}, settings);
    EXPECT_GT(large, 40); // more than exactAvailability enumerates
}
