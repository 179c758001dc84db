#include "algorithms/FrontierGraph.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_map>

namespace velmor::frontier {

namespace {

bool symmetric(const ElementArcs& arcs)
{
    // Both lists are ascending; a loop on an element is no connection.
    for (int a = 0; a < arcs.elementCount(); ++a) {
        auto out = arcs.out(a);
        auto in = arcs.in(a);
        std::size_t i = 0, j = 0;
        for (;;) {
            while (i < out.size() && out[i] == a)
                ++i;
            while (j < in.size() && in[j] == a)
                ++j;
            if (i == out.size() || j == in.size()) {
                if (i != out.size() || j != in.size())
                    return false;
                break;
            }
            if (out[i] != in[j])
                return false;
            ++i;
            ++j;
        }
    }
    return true;
}

// A multigraph that loses vertices and links while it is simplified. Links
// are kept unique per pair of ends (per ordered pair when directed):
// adding one that exists makes the two parallel links one.
class WorkGraph {
public:
    WorkGraph(bool directed, std::vector<long double> availability)
        : directed_(directed), p_(std::move(availability)), alive_(p_.size(), 1), out_(p_.size()), in_(p_.size())
    {
    }

    bool directed() const { return directed_; }
    int vertexCount() const { return static_cast<int>(p_.size()); }
    bool alive(int v) const { return alive_[static_cast<std::size_t>(v)] != 0; }
    long double availability(int v) const { return p_[static_cast<std::size_t>(v)]; }
    const std::vector<Link>& links() const { return links_; }
    bool linkAlive(int id) const { return linkAlive_[static_cast<std::size_t>(id)] != 0; }

    void addLink(int from, int to, long double q)
    {
        if (from == to)
            return;
        const std::uint64_t key = pairKey(from, to);
        if (auto found = byEnds_.find(key); found != byEnds_.end()) {
            Link& link = links_[static_cast<std::size_t>(found->second)];
            link.availability = 1 - (1 - link.availability) * (1 - q);
            return;
        }
        const int id = static_cast<int>(links_.size());
        links_.push_back({from, to, q});
        linkAlive_.push_back(1);
        byEnds_.emplace(key, id);
        out_[static_cast<std::size_t>(from)].push_back(id);
        in_[static_cast<std::size_t>(to)].push_back(id);
    }

    void removeLink(int id)
    {
        if (!linkAlive(id))
            return;
        linkAlive_[static_cast<std::size_t>(id)] = 0;
        const Link& link = links_[static_cast<std::size_t>(id)];
        byEnds_.erase(pairKey(link.from, link.to));
    }

    void removeVertex(int v)
    {
        alive_[static_cast<std::size_t>(v)] = 0;
        for (int id : out_[static_cast<std::size_t>(v)])
            removeLink(id);
        for (int id : in_[static_cast<std::size_t>(v)])
            removeLink(id);
    }

    // The live links out of and into v (an undirected link is listed at
    // the end it was stored from in `out`, at the other in `in`).
    std::vector<int> linksOut(int v) { return live(out_[static_cast<std::size_t>(v)]); }
    std::vector<int> linksIn(int v) { return live(in_[static_cast<std::size_t>(v)]); }
    std::vector<int> linksAt(int v)
    {
        std::vector<int> all = linksOut(v);
        for (int id : linksIn(v))
            all.push_back(id);
        return all;
    }
    int otherEnd(int id, int v) const
    {
        const Link& link = links_[static_cast<std::size_t>(id)];
        return link.from == v ? link.to : link.from;
    }

private:
    std::uint64_t pairKey(int from, int to) const
    {
        if (!directed_ && from > to)
            std::swap(from, to);
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(from)) << 32) | static_cast<std::uint32_t>(to);
    }
    // Drops the dead ids from a list for good and returns the rest.
    std::vector<int> live(std::vector<int>& ids)
    {
        std::erase_if(ids, [this](int id) { return !linkAlive(id); });
        return ids;
    }

    bool directed_;
    std::vector<long double> p_;
    std::vector<char> alive_;
    std::vector<Link> links_;
    std::vector<char> linkAlive_;
    std::vector<std::vector<int>> out_;
    std::vector<std::vector<int>> in_;
    std::unordered_map<std::uint64_t, int> byEnds_;
};

// Marks the vertices reached from `start` along live links (forwards, or
// backwards when `reverse`; either way when undirected).
std::vector<char> reached(WorkGraph& g, int start, bool reverse)
{
    std::vector<char> mark(static_cast<std::size_t>(g.vertexCount()), 0);
    std::vector<int> queue{start};
    mark[static_cast<std::size_t>(start)] = 1;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int v = queue[head];
        std::vector<int> ids = !g.directed() ? g.linksAt(v) : reverse ? g.linksIn(v) : g.linksOut(v);
        for (int id : ids) {
            const int w = g.otherEnd(id, v);
            if (!g.alive(w) || mark[static_cast<std::size_t>(w)])
                continue;
            mark[static_cast<std::size_t>(w)] = 1;
            queue.push_back(w);
        }
    }
    return mark;
}

// Keeps only what lies on some walk from the source to the destination. A
// walk never needs to enter the source again or leave the destination, so
// in a directed graph such links go too. False when no walk is left.
bool keepConnecting(WorkGraph& g, int s, int t)
{
    if (g.directed()) {
        for (int id : g.linksIn(s))
            g.removeLink(id);
        for (int id : g.linksOut(t))
            g.removeLink(id);
    }
    const std::vector<char> fromSource = reached(g, s, false);
    if (!fromSource[static_cast<std::size_t>(t)])
        return false;
    const std::vector<char> toDestination = reached(g, t, true);
    for (int v = 0; v < g.vertexCount(); ++v)
        if (g.alive(v) && !(fromSource[static_cast<std::size_t>(v)] && toDestination[static_cast<std::size_t>(v)]))
            g.removeVertex(v);
    return true;
}

// Series, parallel and dangling reductions until none applies. A vertex
// other than the terminals that a connection can only pass straight
// through becomes part of one link; one that no connection can pass goes.
void simplify(WorkGraph& g, int s, int t)
{
    std::deque<int> pending;
    for (int v = 0; v < g.vertexCount(); ++v)
        if (g.alive(v))
            pending.push_back(v);
    auto recheck = [&](int v) {
        if (v != s && v != t && g.alive(v))
            pending.push_back(v);
    };
    while (!pending.empty()) {
        const int w = pending.front();
        pending.pop_front();
        if (w == s || w == t || !g.alive(w))
            continue;
        if (g.directed()) {
            const std::vector<int> in = g.linksIn(w);
            const std::vector<int> out = g.linksOut(w);
            if (in.empty() || out.empty()) {
                for (int id : in)
                    recheck(g.otherEnd(id, w));
                for (int id : out)
                    recheck(g.otherEnd(id, w));
                g.removeVertex(w);
            } else if (in.size() == 1 && out.size() == 1) {
                const Link a = g.links()[static_cast<std::size_t>(in[0])];
                const Link b = g.links()[static_cast<std::size_t>(out[0])];
                g.removeVertex(w);
                g.addLink(a.from, b.to, a.availability * g.availability(w) * b.availability);
                recheck(a.from);
                recheck(b.to);
            }
        } else {
            const std::vector<int> at = g.linksAt(w);
            if (at.size() <= 1) {
                for (int id : at)
                    recheck(g.otherEnd(id, w));
                g.removeVertex(w);
            } else if (at.size() == 2) {
                const int a = g.otherEnd(at[0], w);
                const int b = g.otherEnd(at[1], w);
                const long double q = g.links()[static_cast<std::size_t>(at[0])].availability * g.availability(w)
                                      * g.links()[static_cast<std::size_t>(at[1])].availability;
                g.removeVertex(w);
                g.addLink(a, b, q);
                recheck(a);
                recheck(b);
            }
        }
    }
}

Graph settledGraph(long double value)
{
    Graph graph;
    graph.settled = true;
    graph.settledValue = value;
    return graph;
}

} // namespace

Graph buildGraph(const FrontierInput& input, bool simplifyGraph)
{
    const int s = input.source;
    const int t = input.destination;
    const auto& p = input.availability;
    // The source reaches itself whenever it works.
    if (s == t)
        return settledGraph(p[static_cast<std::size_t>(s)]);
    if (p[static_cast<std::size_t>(s)] == 0 || p[static_cast<std::size_t>(t)] == 0)
        return settledGraph(0);

    const bool directed = !symmetric(input.arcs);
    WorkGraph g(directed, p);
    for (int a = 0; a < input.elementCount(); ++a)
        for (int b : input.arcs.out(a))
            if (directed || a < b)
                g.addLink(a, b, 1);
    // An element that never works carries no connection.
    for (int v = 0; v < g.vertexCount(); ++v)
        if (g.availability(v) == 0)
            g.removeVertex(v);
    if (!keepConnecting(g, s, t))
        return settledGraph(0);
    if (simplifyGraph) {
        simplify(g, s, t);
        if (!keepConnecting(g, s, t))
            return settledGraph(0);
    }

    // The live vertices and links, numbered densely in their old order.
    Graph graph;
    graph.directed = directed;
    std::vector<int> number(static_cast<std::size_t>(g.vertexCount()), -1);
    for (int v = 0; v < g.vertexCount(); ++v) {
        if (!g.alive(v))
            continue;
        number[static_cast<std::size_t>(v)] = graph.vertexCount();
        graph.vertexAvailability.push_back(g.availability(v));
    }
    for (int id = 0; id < static_cast<int>(g.links().size()); ++id) {
        if (!g.linkAlive(id))
            continue;
        const Link& link = g.links()[static_cast<std::size_t>(id)];
        if (link.availability == 0)
            continue;
        graph.links.push_back({number[static_cast<std::size_t>(link.from)], number[static_cast<std::size_t>(link.to)],
                               link.availability});
    }
    graph.source = number[static_cast<std::size_t>(s)];
    graph.destination = number[static_cast<std::size_t>(t)];
    return graph;
}

} // namespace velmor::frontier
