// The layout of the structure picture: every node inside the bounding box,
// every edge from the boundary of its from-node to that of its to-node, the
// same layout for the same input, on every engine and on shapes that stress
// them (loops, parallel edges, isolated nodes, a grid, random structures).
#include "TestStructures.h"

#include "layout/StructureLayout.h"
#include "layout/StructurePicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using namespace velmor;
namespace vt = velmor::testing;

namespace velmor {
// Readable failures.
void PrintTo(const NodePlacement& n, std::ostream* out)
{
    *out << "(" << n.centre.x << ", " << n.centre.y << " " << n.width << "x" << n.height << ")";
}
void PrintTo(const EdgeRoute& r, std::ostream* out)
{
    *out << "[" << r.points.size() << " points from (" << r.points.front().x << ", " << r.points.front().y
         << ") to (" << r.points.back().x << ", " << r.points.back().y << ")]";
}
} // namespace velmor

namespace {

// A picture's layout input the way the window builds it: nodes of 28
// points, edge labels of 24 by 12.
LayoutInput inputOf(const StructurePicture& picture, LayoutEngine engine)
{
    LayoutInput input;
    input.directed = picture.directed;
    input.engine = engine;
    input.first = picture.source;
    input.last = picture.destination;
    for (std::size_t i = 0; i < picture.nodes.size(); ++i)
        input.nodes.push_back({28, 28});
    for (const PictureEdge& e : picture.edges)
        if (e.from >= 0 && e.to >= 0)
            input.edges.push_back({e.from, e.to, 24, 12});
    return input;
}

StructurePicture pictureOf(const vt::StructurePlan& plan, bool directed)
{
    StructureWorkspace ws;
    vt::buildStructure(ws, plan);
    PictureOptions options;
    options.direction = directed ? Direction::Directed : Direction::Undirected;
    options.sourceLabel = plan.source;
    options.destinationLabel = plan.destination;
    return buildStructurePicture(ws.elements, ws.directedMatrix, ws.undirectedMatrix, options);
}

// How far a point lies from the boundary of a node's ellipse, in points
// (negative inside), measured along the ray from the centre.
double offBoundary(const NodePlacement& node, const LayoutPoint& p)
{
    const double dx = p.x - node.centre.x, dy = p.y - node.centre.y;
    const double a = node.width / 2, b = node.height / 2;
    const double r = std::hypot(dx, dy);
    const double scale = std::sqrt(dx * dx / (a * a) + dy * dy / (b * b));
    if (scale == 0)
        return -std::min(a, b);
    return r - r / scale;
}

void expectSound(const LayoutInput& input, const StructureLayout& layout, const std::string& what)
{
    SCOPED_TRACE(what + " with " + engineName(layout.engine));
    ASSERT_TRUE(layout.ok) << layout.message;
    ASSERT_EQ(layout.nodes.size(), input.nodes.size());
    ASSERT_EQ(layout.edges.size(), input.edges.size());
    constexpr double slack = 1.0; // Graphviz rounds its coordinates
    for (std::size_t i = 0; i < layout.nodes.size(); ++i) {
        const NodePlacement& n = layout.nodes[i];
        EXPECT_NEAR(n.width, input.nodes[i].width, 0.5) << "node " << i;
        EXPECT_GE(n.centre.x - n.width / 2, -slack) << "node " << i;
        EXPECT_GE(n.centre.y - n.height / 2, -slack) << "node " << i;
        EXPECT_LE(n.centre.x + n.width / 2, layout.width + slack) << "node " << i;
        EXPECT_LE(n.centre.y + n.height / 2, layout.height + slack) << "node " << i;
    }
    for (std::size_t i = 0; i < layout.edges.size(); ++i) {
        const EdgeRoute& route = layout.edges[i];
        ASSERT_GE(route.points.size(), 2u) << "edge " << i;
        const NodePlacement& from = layout.nodes[static_cast<std::size_t>(input.edges[i].from)];
        const NodePlacement& to = layout.nodes[static_cast<std::size_t>(input.edges[i].to)];
        // Clipped at the boundary: within a couple of points of it.
        EXPECT_NEAR(offBoundary(from, route.points.front()), 0, 2.5) << "edge " << i << " start";
        EXPECT_NEAR(offBoundary(to, route.points.back()), 0, 2.5) << "edge " << i << " end";
        EXPECT_EQ(route.arrow, input.directed) << "edge " << i;
        EXPECT_TRUE(route.labelPlaced) << "edge " << i;
        for (const LayoutPoint& p : route.points) {
            EXPECT_GE(p.x, -slack);
            EXPECT_GE(p.y, -slack);
            EXPECT_LE(p.x, layout.width + slack);
            EXPECT_LE(p.y, layout.height + slack);
        }
    }
}

struct Shape {
    std::string name;
    vt::StructurePlan plan;
    bool directed;
};

std::vector<Shape> shapes()
{
    std::vector<Shape> all;
    all.push_back({"bridge", vt::bridge(), true});
    all.push_back({"undirected bridge", vt::bridge(), false});
    all.push_back({"grid 4x4", vt::grid(4, 4, 0.9L, 0.9L), false});
    all.push_back({"chain", vt::seriesChain(6, 0.9L, 0.9L), true});
    // Two parallel edges, a loop and an isolated node.
    vt::StructurePlan odd;
    odd.nodes = {{1, 0.9L}, {2, 0.9L}, {3, 0.9L}, {4, 0.9L}};
    odd.edges = {{10, 1, 2, 0.9L}, {11, 1, 2, 0.8L}, {12, 2, 2, 0.7L}, {13, 2, 3, 0.9L}};
    odd.source = 1;
    odd.destination = 3;
    all.push_back({"parallel edges and a loop", odd, true});
    all.push_back({"undirected parallel edges and a loop", odd, false});
    std::mt19937 random(20240611);
    for (int i = 0; i < 4; ++i) {
        vt::RandomShape shape;
        shape.minNodes = 5;
        shape.maxNodes = 14;
        shape.maxExtraEdges = 12;
        all.push_back({"random " + std::to_string(i), vt::randomStructure(random, shape), i % 2 == 0});
    }
    return all;
}

} // namespace

TEST(StructureLayout, NodesInsideTheBoxAndEdgesFromBoundaryToBoundaryOnEveryEngine)
{
    for (const Shape& shape : shapes()) {
        const StructurePicture picture = pictureOf(shape.plan, shape.directed);
        for (LayoutEngine engine : {LayoutEngine::Dot, LayoutEngine::Neato, LayoutEngine::Sfdp}) {
            const LayoutInput input = inputOf(picture, engine);
            const StructureLayout layout = layOutStructure(input);
            EXPECT_EQ(layout.engine, engine);
            expectSound(input, layout, shape.name);
        }
    }
}

// The same input gives the same layout, to a thousandth of a point (sfdp's
// floating sums come out a few units in the last place apart from one call
// to the next).
TEST(StructureLayout, SameInputSameLayout)
{
    auto near = [](const LayoutPoint& a, const LayoutPoint& b) {
        return std::abs(a.x - b.x) < 1e-3 && std::abs(a.y - b.y) < 1e-3;
    };
    for (const Shape& shape : shapes()) {
        const StructurePicture picture = pictureOf(shape.plan, shape.directed);
        for (LayoutEngine engine : {LayoutEngine::Dot, LayoutEngine::Neato, LayoutEngine::Sfdp}) {
            const LayoutInput input = inputOf(picture, engine);
            const StructureLayout first = layOutStructure(input);
            const StructureLayout second = layOutStructure(input);
            SCOPED_TRACE(shape.name + " with " + engineName(engine));
            ASSERT_TRUE(first.ok && second.ok);
            EXPECT_NEAR(first.width, second.width, 1e-3);
            EXPECT_NEAR(first.height, second.height, 1e-3);
            ASSERT_EQ(first.nodes.size(), second.nodes.size());
            for (std::size_t i = 0; i < first.nodes.size(); ++i) {
                EXPECT_TRUE(near(first.nodes[i].centre, second.nodes[i].centre)) << "node " << i;
            }
            ASSERT_EQ(first.edges.size(), second.edges.size());
            for (std::size_t i = 0; i < first.edges.size(); ++i) {
                ASSERT_EQ(first.edges[i].points.size(), second.edges[i].points.size()) << "edge " << i;
                for (std::size_t k = 0; k < first.edges[i].points.size(); ++k)
                    EXPECT_TRUE(near(first.edges[i].points[k], second.edges[i].points[k])) << "edge " << i;
                EXPECT_TRUE(near(first.edges[i].labelCentre, second.edges[i].labelCentre)) << "edge " << i;
                EXPECT_EQ(first.edges[i].arrow, second.edges[i].arrow);
            }
        }
    }
}

// dot draws from left to right: the source in the first rank, the
// destination in the last.
TEST(StructureLayout, DotRanksFromSourceToDestination)
{
    for (const Shape& shape : shapes()) {
        const StructurePicture picture = pictureOf(shape.plan, shape.directed);
        const StructureLayout layout = layOutStructure(inputOf(picture, LayoutEngine::Dot));
        SCOPED_TRACE(shape.name);
        ASSERT_TRUE(layout.ok) << layout.message;
        ASSERT_GE(picture.source, 0);
        ASSERT_GE(picture.destination, 0);
        const double sourceX = layout.nodes[static_cast<std::size_t>(picture.source)].centre.x;
        const double destinationX = layout.nodes[static_cast<std::size_t>(picture.destination)].centre.x;
        for (const NodePlacement& n : layout.nodes) {
            EXPECT_LE(sourceX, n.centre.x);
            EXPECT_GE(destinationX, n.centre.x);
        }
    }
}

// No node box overlaps another node's or a label's, on any engine.
TEST(StructureLayout, NodesAndLabelsKeepApart)
{
    struct Box {
        double left, top, right, bottom;
    };
    for (const Shape& shape : shapes()) {
        const StructurePicture picture = pictureOf(shape.plan, shape.directed);
        for (LayoutEngine engine : {LayoutEngine::Dot, LayoutEngine::Neato, LayoutEngine::Sfdp}) {
            const LayoutInput input = inputOf(picture, engine);
            const StructureLayout layout = layOutStructure(input);
            SCOPED_TRACE(shape.name + " with " + engineName(engine));
            ASSERT_TRUE(layout.ok) << layout.message;
            std::vector<Box> boxes;
            for (const NodePlacement& n : layout.nodes)
                boxes.push_back({n.centre.x - n.width / 2, n.centre.y - n.height / 2, n.centre.x + n.width / 2,
                                 n.centre.y + n.height / 2});
            for (std::size_t i = 0; i < layout.edges.size(); ++i) {
                const LayoutPoint c = layout.edges[i].labelCentre;
                boxes.push_back({c.x - input.edges[i].labelWidth / 2, c.y - input.edges[i].labelHeight / 2,
                                 c.x + input.edges[i].labelWidth / 2, c.y + input.edges[i].labelHeight / 2});
            }
            for (std::size_t i = 0; i < boxes.size(); ++i)
                for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                    const Box& a = boxes[i];
                    const Box& b = boxes[j];
                    const double overlapX = std::min(a.right, b.right) - std::max(a.left, b.left);
                    const double overlapY = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
                    EXPECT_FALSE(overlapX > 1 && overlapY > 1) << "boxes " << i << " and " << j;
                }
        }
    }
}

TEST(StructureLayout, AutomaticEngineBySize)
{
    EXPECT_EQ(automaticEngine(kNeatoFromElements - 1, 0), LayoutEngine::Dot);
    EXPECT_EQ(automaticEngine(kNeatoFromElements - 10, 10), LayoutEngine::Neato);
    EXPECT_EQ(automaticEngine(kSfdpFromElements - 1, 0), LayoutEngine::Neato);
    EXPECT_EQ(automaticEngine(100, kSfdpFromElements - 100), LayoutEngine::Sfdp);
    // A chain of nodes: the edges count too.
    LayoutInput input;
    input.nodes.assign(static_cast<std::size_t>(kNeatoFromElements / 2), {20, 20});
    for (int i = 0; i + 1 < static_cast<int>(input.nodes.size()); ++i)
        input.edges.push_back({i, i + 1, 10, 10});
    EXPECT_EQ(layOutStructure(input).engine, LayoutEngine::Dot);
    input.edges.push_back({0, 2, 10, 10});
    EXPECT_EQ(layOutStructure(input).engine, LayoutEngine::Neato);
}

TEST(StructureLayout, EmptyAndBrokenInput)
{
    const StructureLayout empty = layOutStructure({});
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.nodes.empty());

    LayoutInput broken;
    broken.nodes = {{20, 20}};
    broken.edges = {{0, 1, 0, 0}};
    const StructureLayout refused = layOutStructure(broken);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.empty());
}

// The label boxes are exactly as large as asked, whatever fonts Graphviz
// finds: dot makes room for them between the ranks.
TEST(StructureLayout, LabelBoxesTakeTheirRoom)
{
    LayoutInput input;
    input.nodes = {{20, 20}, {20, 20}, {20, 20}};
    input.edges = {{0, 1, 0, 0}, {1, 2, 0, 0}};
    input.engine = LayoutEngine::Dot;
    const StructureLayout bare = layOutStructure(input);
    input.edges = {{0, 1, 90, 10}, {1, 2, 90, 10}};
    const StructureLayout labelled = layOutStructure(input);
    ASSERT_TRUE(bare.ok && labelled.ok);
    EXPECT_GE(labelled.width, bare.width + 2 * 90 - 1);
    for (const EdgeRoute& route : labelled.edges) {
        ASSERT_TRUE(route.labelPlaced);
        // Between the two nodes it labels, along the flow.
        EXPECT_GT(route.labelCentre.x, route.points.front().x);
        EXPECT_LT(route.labelCentre.x, route.points.back().x);
    }
}

// neato and sfdp come out at any angle; mirrored, the picture reads from the
// source at the left and above to the destination at the right and below,
// and still every edge runs from its from-node to its to-node.
TEST(StructureLayout, ForceLayoutsReadFromSourceToDestination)
{
    for (const Shape& shape : shapes()) {
        const StructurePicture picture = pictureOf(shape.plan, false);
        for (LayoutEngine engine : {LayoutEngine::Neato, LayoutEngine::Sfdp}) {
            const LayoutInput input = inputOf(picture, engine);
            const StructureLayout layout = layOutStructure(input);
            expectSound(input, layout, shape.name);
            if (picture.source == picture.destination)
                continue;
            const LayoutPoint a = layout.nodes[static_cast<std::size_t>(picture.source)].centre;
            const LayoutPoint b = layout.nodes[static_cast<std::size_t>(picture.destination)].centre;
            SCOPED_TRACE(shape.name + " with " + engineName(engine));
            EXPECT_LE(a.x, b.x);
            EXPECT_LE(a.y, b.y);
        }
    }
}
