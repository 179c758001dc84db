// What the structure picture shows: nodes and edges with their ends, the
// roles of the chosen pair, and the elements that the reduction of a run
// with the same options would leave out.
#include "TestStructures.h"

#include "algorithms/WorkStructure.h"
#include "layout/StructurePicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace velmor;
namespace vt = velmor::testing;

namespace {

PictureOptions optionsFor(const vt::StructurePlan& plan, Direction direction, bool reduction)
{
    PictureOptions options;
    options.direction = direction;
    options.sourceLabel = plan.source;
    options.destinationLabel = plan.destination;
    options.reduction = reduction;
    return options;
}

StructurePicture pictureOf(StructureWorkspace& ws, const vt::StructurePlan& plan, const PictureOptions& options)
{
    vt::buildStructure(ws, plan);
    return buildStructurePicture(ws.elements, ws.directedMatrix, ws.undirectedMatrix, options);
}

// The bridge with a tail: node 9 hangs on node 2 by edge 19 alone.
vt::StructurePlan bridgeWithTail()
{
    vt::StructurePlan plan = vt::bridge();
    plan.nodes.push_back({9, 0.9L});
    plan.edges.push_back({19, 2, 9, 0.9L});
    return plan;
}

} // namespace

TEST(StructurePicture, NodesEdgesEndsAndRoles)
{
    StructureWorkspace ws;
    const vt::StructurePlan plan = vt::bridge();
    const StructurePicture picture = pictureOf(ws, plan, optionsFor(plan, Direction::Directed, false));
    ASSERT_EQ(picture.nodes.size(), plan.nodes.size());
    ASSERT_EQ(picture.edges.size(), plan.edges.size());
    EXPECT_TRUE(picture.directed);
    EXPECT_FALSE(picture.reduced);
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        EXPECT_EQ(picture.nodes[i].label, plan.nodes[i].label);
        EXPECT_EQ(picture.nodes[i].availability, plan.nodes[i].availability);
        const NodeRole role = plan.nodes[i].label == plan.source        ? NodeRole::Source
                              : plan.nodes[i].label == plan.destination ? NodeRole::Destination
                                                                        : NodeRole::Plain;
        EXPECT_EQ(picture.nodes[i].role, role) << "node " << plan.nodes[i].label;
        EXPECT_EQ(picture.nodeOf(picture.nodes[i].element), static_cast<int>(i));
    }
    EXPECT_EQ(picture.nodes[static_cast<std::size_t>(picture.source)].label, plan.source);
    EXPECT_EQ(picture.nodes[static_cast<std::size_t>(picture.destination)].label, plan.destination);
    for (std::size_t i = 0; i < plan.edges.size(); ++i) {
        const PictureEdge& e = picture.edges[i];
        EXPECT_EQ(e.label, plan.edges[i].label);
        ASSERT_GE(e.from, 0);
        ASSERT_GE(e.to, 0);
        EXPECT_EQ(picture.nodes[static_cast<std::size_t>(e.from)].label, plan.edges[i].from);
        EXPECT_EQ(picture.nodes[static_cast<std::size_t>(e.to)].label, plan.edges[i].to);
        EXPECT_FALSE(e.removed);
        EXPECT_EQ(picture.edgeOf(e.element), static_cast<int>(i));
    }
}

TEST(StructurePicture, UndirectedEndsLoopsAndOpenEnds)
{
    vt::StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.9L}, {3, 0.9L}};
    plan.edges = {{10, 3, 1, 0.9L}, {11, 2, 2, 0.9L}, {12, 1, 2, 0.9L}};
    plan.source = 1;
    plan.destination = 3;
    StructureWorkspace ws;
    vt::buildStructure(ws, plan);
    // The matrix view clears edge 12's way into node 2, in both matrices.
    int e12 = -1, n2 = -1;
    ASSERT_TRUE(ws.elements.find(12, EdgeKind, e12));
    ASSERT_TRUE(ws.elements.find(2, NodeKind, n2));
    ws.directedMatrix.set(n2, e12, 0);
    ws.undirectedMatrix.set(n2, e12, 0);
    ws.undirectedMatrix.set(e12, n2, 0);

    const StructurePicture undirected = buildStructurePicture(
        ws.elements, ws.directedMatrix, ws.undirectedMatrix, optionsFor(plan, Direction::Undirected, false));
    EXPECT_FALSE(undirected.directed);
    // Edge 10 joins nodes 1 and 3, in node order; edge 11 is a loop.
    EXPECT_EQ(undirected.edges[0].from, 0);
    EXPECT_EQ(undirected.edges[0].to, 2);
    EXPECT_EQ(undirected.edges[1].from, 1);
    EXPECT_EQ(undirected.edges[1].to, 1);
    EXPECT_EQ(undirected.edges[2].from, 0);
    EXPECT_EQ(undirected.edges[2].to, -1);

    const StructurePicture directed = buildStructurePicture(ws.elements, ws.directedMatrix, ws.undirectedMatrix,
                                                            optionsFor(plan, Direction::Directed, false));
    EXPECT_EQ(directed.edges[0].from, 2); // from node 3 to node 1
    EXPECT_EQ(directed.edges[0].to, 0);
    EXPECT_EQ(directed.edges[2].from, 0);
    EXPECT_EQ(directed.edges[2].to, -1);
}

TEST(StructurePicture, ReductionGreysTheHangingNodeAndItsEdge)
{
    StructureWorkspace ws;
    const vt::StructurePlan plan = bridgeWithTail();
    for (Direction direction : {Direction::Directed, Direction::Undirected}) {
        const StructurePicture picture = pictureOf(ws, plan, optionsFor(plan, direction, true));
        EXPECT_TRUE(picture.reduced);
        for (const PictureNode& n : picture.nodes)
            EXPECT_EQ(n.removed, n.label == 9) << "node " << n.label;
        for (const PictureEdge& e : picture.edges)
            EXPECT_EQ(e.removed, e.label == 19) << "edge " << e.label;
    }
}

// Nothing is greyed without reduction, without a pair, with the same node
// twice, or without a direction.
TEST(StructurePicture, NoReductionWithoutItsConditions)
{
    StructureWorkspace ws;
    const vt::StructurePlan plan = bridgeWithTail();
    PictureOptions off = optionsFor(plan, Direction::Directed, false);
    PictureOptions noSource = optionsFor(plan, Direction::Directed, true);
    noSource.sourceLabel.reset();
    PictureOptions unknownDestination = optionsFor(plan, Direction::Directed, true);
    unknownDestination.destinationLabel = 777;
    PictureOptions same = optionsFor(plan, Direction::Directed, true);
    same.destinationLabel = plan.source;
    PictureOptions noDirection = optionsFor(plan, Direction::None, true);
    for (const PictureOptions& options : {off, noSource, unknownDestination, same, noDirection}) {
        const StructurePicture picture = pictureOf(ws, plan, options);
        EXPECT_FALSE(picture.reduced);
        for (const PictureNode& n : picture.nodes)
            EXPECT_FALSE(n.removed);
        for (const PictureEdge& e : picture.edges)
            EXPECT_FALSE(e.removed);
    }
    EXPECT_EQ(pictureOf(ws, plan, noSource).source, -1);
    EXPECT_EQ(pictureOf(ws, plan, unknownDestination).destination, -1);
    EXPECT_FALSE(pictureOf(ws, plan, noDirection).directed);
}

// The greyed elements are exactly those that a run's work structure leaves
// out, on random structures in both directions; the workspace's own work
// structure is not touched by the picture.
TEST(StructurePicture, GreyedElementsAreThoseTheRunLeavesOut)
{
    std::mt19937 random(77);
    int removedSeen = 0;
    for (int round = 0; round < 60; ++round) {
        const vt::StructurePlan plan = vt::randomStructure(random);
        if (plan.source == plan.destination)
            continue;
        const bool directed = round % 2 == 0;
        StructureWorkspace ws;
        vt::buildStructure(ws, plan);
        ws.elementMap.resize(1);
        ws.elementMap.set(0, 0);
        const StructurePicture picture =
            buildStructurePicture(ws.elements, ws.directedMatrix, ws.undirectedMatrix,
                                  optionsFor(plan, directed ? Direction::Directed : Direction::Undirected, true));
        EXPECT_EQ(ws.elementMap.count(), 1) << "the picture changed the work structure";

        RunOptions options = vt::workOptions(directed, true, false);
        ASSERT_TRUE(ws.elements.find(plan.source, NodeKind, ws.sourceIndex));
        ASSERT_TRUE(ws.elements.find(plan.destination, NodeKind, ws.destinationIndex));
        ASSERT_TRUE(prepareWorkStructure(ws, options));
        std::vector<bool> kept(static_cast<std::size_t>(ws.elements.count()), false);
        for (int i = 0; i <= ws.elementMap.lastIndex(); ++i)
            kept[static_cast<std::size_t>(ws.elementMap.get(i))] = true;
        ASSERT_TRUE(picture.reduced);
        for (const PictureNode& n : picture.nodes)
            EXPECT_EQ(n.removed, !kept[static_cast<std::size_t>(n.element)]) << "round " << round;
        for (const PictureEdge& e : picture.edges)
            EXPECT_EQ(e.removed, !kept[static_cast<std::size_t>(e.element)]) << "round " << round;
        removedSeen += static_cast<int>(std::count(kept.begin(), kept.end(), false));
    }
    EXPECT_GT(removedSeen, 0); // the rounds did remove something
}

// The importance colours the picture only for the pair and direction it
// was computed for; elements it does not rate stay without a value.
TEST(StructurePicture, ImportanceValuesForTheirOwnPairAndDirection)
{
    StructureWorkspace ws;
    const vt::StructurePlan plan = vt::bridge();
    vt::buildStructure(ws, plan);
    const int count = ws.elements.count();
    for (bool directed : {true, false}) {
        RunOptions run = vt::workOptions(directed, false, true);
        run.sourceLabel = plan.source;
        run.destinationLabel = plan.destination;
        const ImportanceResult result = computeImportance(importanceInput(ws, run));
        ASSERT_EQ(result.status, ImportanceStatus::Done);
        PictureOptions options = optionsFor(plan, directed ? Direction::Directed : Direction::Undirected, false);
        const std::vector<double> values = importanceValues(result, options, count);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(count));
        std::vector<bool> rated(static_cast<std::size_t>(count), false);
        for (const ElementImportance& e : result.elements) {
            rated[static_cast<std::size_t>(e.element.element)] = true;
            EXPECT_EQ(values[static_cast<std::size_t>(e.element.element)], static_cast<double>(e.birnbaum));
        }
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(std::isnan(values[static_cast<std::size_t>(i)]), !rated[static_cast<std::size_t>(i)]) << i;
        // Ideal terminals are not rated.
        int source = -1;
        ASSERT_TRUE(ws.elements.find(plan.source, NodeKind, source));
        EXPECT_TRUE(std::isnan(values[static_cast<std::size_t>(source)]));

        PictureOptions otherPair = options;
        otherPair.destinationLabel = plan.source;
        EXPECT_TRUE(importanceValues(result, otherPair, count).empty());
        PictureOptions otherDirection = options;
        otherDirection.direction = directed ? Direction::Undirected : Direction::Directed;
        EXPECT_TRUE(importanceValues(result, otherDirection, count).empty());
        PictureOptions noDirection = options;
        noDirection.direction = Direction::None;
        EXPECT_TRUE(importanceValues(result, noDirection, count).empty());
        ImportanceResult failed = result;
        failed.status = ImportanceStatus::Failed;
        EXPECT_TRUE(importanceValues(failed, options, count).empty());
        // A stopped computation colours what it rated.
        ImportanceResult stopped = result;
        stopped.status = ImportanceStatus::Stopped;
        stopped.elements.resize(1);
        const std::vector<double> some = importanceValues(stopped, options, count);
        ASSERT_EQ(some.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(std::count_if(some.begin(), some.end(), [](double v) { return !std::isnan(v); }), 1);
        stopped.elements.clear();
        EXPECT_TRUE(importanceValues(stopped, options, count).empty());
    }
}
