#include "layout/StructureLayout.h"

#include <cgraph.h>
#include <gvc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>

namespace velmor {

LayoutEngine automaticEngine(int nodeCount, int edgeCount)
{
    const int elements = nodeCount + edgeCount;
    if (elements < kNeatoFromElements)
        return LayoutEngine::Dot;
    return elements < kSfdpFromElements ? LayoutEngine::Neato : LayoutEngine::Sfdp;
}

const char* engineName(LayoutEngine engine)
{
    switch (engine) {
    case LayoutEngine::Automatic: break;
    case LayoutEngine::Dot: return "dot";
    case LayoutEngine::Neato: return "neato";
    case LayoutEngine::Sfdp: return "sfdp";
    }
    return "";
}

namespace {

constexpr double kPointsPerInch = 72.0;

// Graphviz keeps global state: one context for the process, one layout at
// a time. Its messages are kept for the caller instead of going to stderr.
std::mutex graphvizLock;
std::string graphvizMessages;

int keepMessage(char* text)
{
    graphvizMessages += text;
    return 0;
}

GVC_t* context()
{
    struct Context {
        GVC_t* gvc = gvContext();
        ~Context() { gvFreeContext(gvc); }
    };
    static Context shared;
    return shared.gvc;
}

void set(void* object, const char* name, const std::string& value)
{
    agsafeset(object, const_cast<char*>(name), const_cast<char*>(value.c_str()), const_cast<char*>(""));
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

// How many edges each node is away from `first` (-1: not reached).
std::vector<int> distancesFrom(const LayoutInput& input, int first)
{
    const std::size_t n = input.nodes.size();
    std::vector<std::vector<int>> next(n);
    for (const LayoutEdgeInput& e : input.edges) {
        next[static_cast<std::size_t>(e.from)].push_back(e.to);
        next[static_cast<std::size_t>(e.to)].push_back(e.from);
    }
    std::vector<int> distance(n, -1);
    if (first < 0 || static_cast<std::size_t>(first) >= n)
        return distance;
    std::deque<int> queue{first};
    distance[static_cast<std::size_t>(first)] = 0;
    while (!queue.empty()) {
        const int at = queue.front();
        queue.pop_front();
        for (int to : next[static_cast<std::size_t>(at)])
            if (distance[static_cast<std::size_t>(to)] < 0) {
                distance[static_cast<std::size_t>(to)] = distance[static_cast<std::size_t>(at)] + 1;
                queue.push_back(to);
            }
    }
    return distance;
}

// A label box of exactly the given size, whatever fonts Graphviz knows.
std::string labelBox(double width, double height)
{
    return "<TABLE BORDER=\"0\" CELLBORDER=\"0\" CELLSPACING=\"0\" CELLPADDING=\"0\" FIXEDSIZE=\"TRUE\" WIDTH=\"" +
           std::to_string(std::max(1, static_cast<int>(std::ceil(width)))) + "\" HEIGHT=\"" +
           std::to_string(std::max(1, static_cast<int>(std::ceil(height)))) + "\"><TR><TD></TD></TR></TABLE>";
}

LayoutPoint onCubic(const pointf& p0, const pointf& p1, const pointf& p2, const pointf& p3, double t)
{
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

// Where the segment from the centre of an ellipse towards `towards` leaves it.
LayoutPoint ellipseBoundary(const NodePlacement& node, const LayoutPoint& towards)
{
    const double dx = towards.x - node.centre.x;
    const double dy = towards.y - node.centre.y;
    const double a = node.width / 2, b = node.height / 2;
    const double scale = std::sqrt((dx * dx) / (a * a) + (dy * dy) / (b * b));
    if (scale <= 0)
        return node.centre;
    return {node.centre.x + dx / scale, node.centre.y + dy / scale};
}

double distanceSquared(const LayoutPoint& a, const LayoutPoint& b)
{
    return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// The force layouts place the structure at any angle: mirrored, it reads
// from the source at the left and above towards the destination at the
// right and below. Mirrors only: the label boxes, upright and wider than
// high, keep the room they were laid out with.
void orientFlow(StructureLayout& layout, int first, int last)
{
    const int n = static_cast<int>(layout.nodes.size());
    if (first < 0 || last < 0 || first >= n || last >= n || first == last)
        return;
    auto each = [&](auto&& change) {
        for (NodePlacement& node : layout.nodes)
            change(node.centre);
        for (EdgeRoute& route : layout.edges) {
            for (LayoutPoint& p : route.points)
                change(p);
            change(route.labelCentre);
        }
    };
    const LayoutPoint a = layout.nodes[static_cast<std::size_t>(first)].centre;
    const LayoutPoint b = layout.nodes[static_cast<std::size_t>(last)].centre;
    const double width = layout.width, height = layout.height;
    if (a.x > b.x)
        each([width](LayoutPoint& p) { p.x = width - p.x; });
    if (a.y > b.y)
        each([height](LayoutPoint& p) { p.y = height - p.y; });
}

} // namespace

namespace {

Agnode_t* addNode(Agraph_t* g, const std::string& name, const char* shape, double width, double height)
{
    Agnode_t* n = agnode(g, const_cast<char*>(name.c_str()), 1);
    set(n, "shape", shape);
    set(n, "fixedsize", "true");
    set(n, "label", "");
    set(n, "width", number(std::max(width, 1.0) / kPointsPerInch));
    set(n, "height", number(std::max(height, 1.0) / kPointsPerInch));
    return n;
}

// Graphviz's coordinates (points, y upwards) as the layout's.
struct Frame {
    boxf bb;
    LayoutPoint operator()(const pointf& p) const { return {p.x - bb.LL.x, bb.UR.y - p.y}; }
};

// Runs `engine` on `g` and reads the drawing's size and the nodes' places;
// on failure the layout gets Graphviz's messages and `g` is closed.
std::optional<Frame> placeNodes(GVC_t* gvc, Agraph_t* g, const char* engine, const std::vector<Agnode_t*>& nodes,
                                int nodeCount, StructureLayout& layout)
{
    if (gvLayout(gvc, g, engine) != 0) {
        layout.message = graphvizMessages.empty() ? "Graphviz layout failed" : graphvizMessages;
        agclose(g);
        return std::nullopt;
    }
    const Frame place{GD_bb(g)};
    layout.width = place.bb.UR.x - place.bb.LL.x;
    layout.height = place.bb.UR.y - place.bb.LL.y;
    layout.nodes.resize(static_cast<std::size_t>(nodeCount));
    for (int i = 0; i < nodeCount; ++i) {
        Agnode_t* n = nodes[static_cast<std::size_t>(i)];
        NodePlacement& out = layout.nodes[static_cast<std::size_t>(i)];
        out.centre = place(ND_coord(n));
        out.width = ND_width(n) * kPointsPerInch;
        out.height = ND_height(n) * kPointsPerInch;
    }
    return place;
}

// dot: ranks from left to right, the source first and the destination
// last, the edges as Graphviz's splines with its label places.
void rankedLayout(const LayoutInput& input, StructureLayout& layout, GVC_t* gvc)
{
    const int nodeCount = static_cast<int>(input.nodes.size());
    Agraph_t* g = agopen(const_cast<char*>("structure"), input.directed ? Agdirected : Agundirected, nullptr);
    set(g, "rankdir", "LR");
    set(g, "nodesep", "0.25");
    set(g, "ranksep", "0.45");

    std::vector<Agnode_t*> nodes(static_cast<std::size_t>(nodeCount));
    for (int i = 0; i < nodeCount; ++i) {
        const LayoutNodeInput& in = input.nodes[static_cast<std::size_t>(i)];
        nodes[static_cast<std::size_t>(i)] = addNode(g, "n" + std::to_string(i), "ellipse", in.width, in.height);
    }
    auto rank = [&](int node, const char* where, const char* name) {
        if (node < 0 || node >= nodeCount)
            return;
        Agraph_t* sub = agsubg(g, const_cast<char*>(name), 1);
        set(sub, "rank", where);
        agsubnode(sub, nodes[static_cast<std::size_t>(node)], 1);
    };
    rank(input.first, "min", "first");
    if (input.last != input.first)
        rank(input.last, "max", "last");

    // dot ranks along the edges' directions; an undirected structure flows
    // away from the source.
    const std::vector<int> distance = !input.directed ? distancesFrom(input, input.first) : std::vector<int>();
    std::vector<Agedge_t*> edges(input.edges.size());
    for (std::size_t i = 0; i < input.edges.size(); ++i) {
        const LayoutEdgeInput& in = input.edges[i];
        int tail = in.from, head = in.to;
        if (!distance.empty() && distance[static_cast<std::size_t>(tail)] >= 0 &&
            distance[static_cast<std::size_t>(head)] >= 0 &&
            distance[static_cast<std::size_t>(head)] < distance[static_cast<std::size_t>(tail)])
            std::swap(tail, head);
        Agedge_t* e = agedge(g, nodes[static_cast<std::size_t>(tail)], nodes[static_cast<std::size_t>(head)],
                             const_cast<char*>(("e" + std::to_string(i)).c_str()), 1);
        if (in.labelWidth > 0 && in.labelHeight > 0) {
            const std::string box = labelBox(in.labelWidth, in.labelHeight);
            agsafeset(e, const_cast<char*>("label"), agstrdup_html(g, const_cast<char*>(box.c_str())),
                      const_cast<char*>(""));
        }
        if (input.directed)
            set(e, "arrowsize", "0.8");
        edges[i] = e;
    }

    const std::optional<Frame> placed = placeNodes(gvc, g, "dot", nodes, nodeCount, layout);
    if (!placed)
        return;
    const Frame& place = *placed;

    layout.edges.resize(input.edges.size());
    for (std::size_t i = 0; i < input.edges.size(); ++i) {
        Agedge_t* e = edges[i];
        EdgeRoute& route = layout.edges[i];
        const splines* spl = ED_spl(e);
        for (int b = 0; spl && b < spl->size; ++b) {
            const bezier& bz = spl->list[b];
            if (bz.sflag && b == 0)
                route.points.push_back(place(bz.sp));
            if (bz.size > 0)
                route.points.push_back(place(bz.list[0]));
            for (int k = 1; k + 2 < bz.size; k += 3) {
                constexpr int kSteps = 8;
                for (int step = 1; step <= kSteps; ++step) {
                    const LayoutPoint p = onCubic(bz.list[k - 1], bz.list[k], bz.list[k + 1], bz.list[k + 2],
                                                  static_cast<double>(step) / kSteps);
                    route.points.push_back(place(pointf{p.x, p.y}));
                }
            }
            if (bz.eflag && b == spl->size - 1) {
                route.points.push_back(place(bz.ep));
                route.arrow = true;
            }
        }
        const NodePlacement& from = layout.nodes[static_cast<std::size_t>(input.edges[i].from)];
        const NodePlacement& to = layout.nodes[static_cast<std::size_t>(input.edges[i].to)];
        if (route.points.size() < 2) {
            // No route from Graphviz: a straight line between the boundaries.
            route.points = {ellipseBoundary(from, to.centre), ellipseBoundary(to, from.centre)};
            route.arrow = input.directed;
        }
        // An undirected edge may have been laid from its other end (turned
        // towards the destination, or by Graphviz itself).
        if (!input.directed && distanceSquared(route.points.front(), to.centre) +
                                       distanceSquared(route.points.back(), from.centre) <
                                   distanceSquared(route.points.front(), from.centre) +
                                       distanceSquared(route.points.back(), to.centre))
            std::reverse(route.points.begin(), route.points.end());
        if (const textlabel_t* label = ED_label(e); label && label->set) {
            route.labelPlaced = true;
            route.labelCentre = place(label->pos);
        }
    }
    gvFreeLayout(gvc, g);
    agclose(g);
    layout.ok = true;
}

// A point turned about a centre.
LayoutPoint turned(const LayoutPoint& p, const LayoutPoint& centre, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    const double dx = p.x - centre.x, dy = p.y - centre.y;
    return {centre.x + c * dx - s * dy, centre.y + s * dx + c * dy};
}

// neato and sfdp: every label is a box of its own in the layout, joined to
// the edge's two nodes, so that the overlap removal keeps it off nodes and
// other labels as well. The edge is then drawn from its from-node through
// its label to its to-node, the label's box interrupting the line.
void forceLayout(const LayoutInput& input, StructureLayout& layout, GVC_t* gvc)
{
    const int nodeCount = static_cast<int>(input.nodes.size());
    Agraph_t* g = agopen(const_cast<char*>("structure"), Agundirected, nullptr);
    // Overlaps removed, without squeezing the layout back together
    // afterwards: the edges keep the length that their labels need. Both
    // layouts start from a fixed seed when no start is given.
    set(g, "overlap", "prism");
    set(g, "overlap_shrink", "false");
    set(g, "sep", "+5");
    set(g, "splines", "false");

    std::vector<Agnode_t*> nodes(static_cast<std::size_t>(nodeCount));
    for (int i = 0; i < nodeCount; ++i) {
        const LayoutNodeInput& in = input.nodes[static_cast<std::size_t>(i)];
        nodes[static_cast<std::size_t>(i)] = addNode(g, "n" + std::to_string(i), "ellipse", in.width, in.height);
    }
    auto radius = [&](int node) {
        const LayoutNodeInput& in = input.nodes[static_cast<std::size_t>(node)];
        return std::max(in.width, in.height) / 2;
    };
    std::vector<Agnode_t*> labels(input.edges.size(), nullptr);
    double lengths = 0;
    int pieces = 0;
    auto join = [&](Agnode_t* a, Agnode_t* b, const std::string& name, double length) {
        Agedge_t* e = agedge(g, a, b, const_cast<char*>(name.c_str()), 1);
        if (layout.engine == LayoutEngine::Neato)
            set(e, "len", number(length / kPointsPerInch));
        lengths += length;
        ++pieces;
    };
    for (std::size_t i = 0; i < input.edges.size(); ++i) {
        const LayoutEdgeInput& in = input.edges[i];
        const std::string name = "e" + std::to_string(i);
        if (in.labelWidth > 0 && in.labelHeight > 0) {
            labels[i] = addNode(g, "l" + std::to_string(i), "box", in.labelWidth, in.labelHeight);
            const double half = std::hypot(in.labelWidth, in.labelHeight) / 2;
            join(nodes[static_cast<std::size_t>(in.from)], labels[i], name + "a", radius(in.from) + half + 12);
            join(labels[i], nodes[static_cast<std::size_t>(in.to)], name + "b", radius(in.to) + half + 12);
        } else if (in.from != in.to) {
            join(nodes[static_cast<std::size_t>(in.from)], nodes[static_cast<std::size_t>(in.to)], name,
                 radius(in.from) + radius(in.to) + 24);
        }
    }
    if (layout.engine == LayoutEngine::Sfdp && pieces > 0)
        set(g, "K", number(lengths / pieces / kPointsPerInch));

    const std::optional<Frame> placed = placeNodes(gvc, g, engineName(layout.engine), nodes, nodeCount, layout);
    if (!placed)
        return;
    const Frame& place = *placed;
    layout.edges.resize(input.edges.size());
    for (std::size_t i = 0; i < input.edges.size(); ++i) {
        const LayoutEdgeInput& in = input.edges[i];
        const NodePlacement& from = layout.nodes[static_cast<std::size_t>(in.from)];
        const NodePlacement& to = layout.nodes[static_cast<std::size_t>(in.to)];
        EdgeRoute& route = layout.edges[i];
        route.arrow = input.directed;
        if (labels[i]) {
            const LayoutPoint label = place(ND_coord(labels[i]));
            route.labelPlaced = true;
            route.labelCentre = label;
            if (in.from == in.to) {
                // A loop: out and back in, a little apart, through the label.
                constexpr double spread = 0.45;
                route.points = {ellipseBoundary(from, turned(label, from.centre, -spread)), label,
                                ellipseBoundary(from, turned(label, from.centre, spread))};
            } else {
                route.points = {ellipseBoundary(from, label), label, ellipseBoundary(to, label)};
            }
        } else if (in.from == in.to) {
            // A loop without a label: a small triangle beside the node.
            const LayoutPoint out{from.centre.x + from.width, from.centre.y};
            route.points = {ellipseBoundary(from, turned(out, from.centre, -0.5)), out,
                            ellipseBoundary(from, turned(out, from.centre, 0.5))};
        } else {
            route.points = {ellipseBoundary(from, to.centre), ellipseBoundary(to, from.centre)};
        }
    }
    gvFreeLayout(gvc, g);
    agclose(g);
    orientFlow(layout, input.first, input.last);
    layout.ok = true;
}

} // namespace

StructureLayout layOutStructure(const LayoutInput& input)
{
    StructureLayout layout;
    const int nodeCount = static_cast<int>(input.nodes.size());
    layout.engine = input.engine == LayoutEngine::Automatic ? automaticEngine(nodeCount, static_cast<int>(input.edges.size())) : input.engine;
    for (const LayoutEdgeInput& e : input.edges)
        if (e.from < 0 || e.to < 0 || e.from >= nodeCount || e.to >= nodeCount) {
            layout.message = "edge end outside the node list";
            return layout;
        }
    if (nodeCount == 0) {
        layout.ok = true;
        return layout;
    }

    const std::lock_guard<std::mutex> lock(graphvizLock);
    graphvizMessages.clear();
    agseterr(AGERR);
    agseterrf(keepMessage);
    // Parts of the force layouts draw from the C library's random numbers
    // without seeding them: the same seeds for every layout make the same
    // structure come out the same however many layouts ran before.
    std::srand(1);
    srand48(1);
    if (layout.engine == LayoutEngine::Dot)
        rankedLayout(input, layout, context());
    else
        forceLayout(input, layout, context());
    return layout;
}

} // namespace velmor
