#include "algorithms/FrontierOrder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

namespace velmor::frontier {

namespace {

// Neighbours of every vertex over the links in either direction; the
// boundary is about which links are still to come, whatever their direction.
std::vector<std::vector<int>> neighbours(const Graph& graph)
{
    std::vector<std::vector<int>> all(static_cast<std::size_t>(graph.vertexCount()));
    for (const Link& link : graph.links) {
        all[static_cast<std::size_t>(link.from)].push_back(link.to);
        all[static_cast<std::size_t>(link.to)].push_back(link.from);
    }
    for (auto& list : all) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
    return all;
}

// Appends the vertices that `order` lacks, so that every candidate order is
// complete even when the graph falls apart.
void complete(std::vector<int>& order, int count)
{
    std::vector<char> placed(static_cast<std::size_t>(count), 0);
    for (int v : order)
        placed[static_cast<std::size_t>(v)] = 1;
    for (int v = 0; v < count; ++v)
        if (!placed[static_cast<std::size_t>(v)])
            order.push_back(v);
}

std::vector<int> breadthFirst(const std::vector<std::vector<int>>& adjacent, int start)
{
    const int count = static_cast<int>(adjacent.size());
    std::vector<char> seen(static_cast<std::size_t>(count), 0);
    std::vector<int> order{start};
    seen[static_cast<std::size_t>(start)] = 1;
    for (std::size_t head = 0; head < order.size(); ++head)
        for (int w : adjacent[static_cast<std::size_t>(order[head])])
            if (!seen[static_cast<std::size_t>(w)]) {
                seen[static_cast<std::size_t>(w)] = 1;
                order.push_back(w);
            }
    complete(order, count);
    return order;
}

std::vector<int> distancesFrom(const std::vector<std::vector<int>>& adjacent, int start)
{
    std::vector<int> distance(adjacent.size(), std::numeric_limits<int>::max());
    std::vector<int> queue{start};
    distance[static_cast<std::size_t>(start)] = 0;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int v = queue[head];
        for (int w : adjacent[static_cast<std::size_t>(v)])
            if (distance[static_cast<std::size_t>(w)] == std::numeric_limits<int>::max()) {
                distance[static_cast<std::size_t>(w)] = distance[static_cast<std::size_t>(v)] + 1;
                queue.push_back(w);
            }
    }
    return distance;
}

// Greedy: from `start`, always the vertex next to the placed ones that
// leaves the fewest placed vertices with unplaced neighbours; among equals
// the one with the most placed neighbours, then the nearest to the start
// (which keeps the sweep moving away from it), then the lowest number.
std::vector<int> greedy(const std::vector<std::vector<int>>& adjacent, int start)
{
    const int count = static_cast<int>(adjacent.size());
    const std::vector<int> distance = distancesFrom(adjacent, start);
    std::vector<int> unplacedNeighbours(static_cast<std::size_t>(count));
    std::vector<int> placedNeighbours(static_cast<std::size_t>(count), 0);
    for (int v = 0; v < count; ++v)
        unplacedNeighbours[static_cast<std::size_t>(v)] = static_cast<int>(adjacent[static_cast<std::size_t>(v)].size());
    std::vector<char> placed(static_cast<std::size_t>(count), 0);
    std::vector<char> candidate(static_cast<std::size_t>(count), 0);
    std::vector<int> candidates{start};
    candidate[static_cast<std::size_t>(start)] = 1;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(count));

    // Change of the boundary size when v is placed.
    auto growth = [&](int v) {
        int change = unplacedNeighbours[static_cast<std::size_t>(v)] > 0 ? 1 : 0;
        for (int w : adjacent[static_cast<std::size_t>(v)])
            if (placed[static_cast<std::size_t>(w)] && unplacedNeighbours[static_cast<std::size_t>(w)] == 1)
                --change;
        return change;
    };
    while (!candidates.empty()) {
        std::size_t best = 0;
        auto rank = [&](int v) {
            return std::make_tuple(growth(v), -placedNeighbours[static_cast<std::size_t>(v)],
                                   distance[static_cast<std::size_t>(v)], v);
        };
        auto bestRank = rank(candidates[0]);
        for (std::size_t i = 1; i < candidates.size(); ++i) {
            const auto r = rank(candidates[i]);
            if (r < bestRank) {
                bestRank = r;
                best = i;
            }
        }
        const int v = candidates[best];
        candidates[best] = candidates.back();
        candidates.pop_back();
        placed[static_cast<std::size_t>(v)] = 1;
        order.push_back(v);
        for (int w : adjacent[static_cast<std::size_t>(v)]) {
            --unplacedNeighbours[static_cast<std::size_t>(w)];
            ++placedNeighbours[static_cast<std::size_t>(w)];
            if (!placed[static_cast<std::size_t>(w)] && !candidate[static_cast<std::size_t>(w)]) {
                candidate[static_cast<std::size_t>(w)] = 1;
                candidates.push_back(w);
            }
        }
    }
    complete(order, count);
    return order;
}

// The links in the order of their later end, then of their earlier end.
std::vector<int> linkOrder(const Graph& graph, const std::vector<int>& position)
{
    std::vector<int> order(graph.links.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    auto key = [&](int id) {
        const Link& link = graph.links[static_cast<std::size_t>(id)];
        const int a = position[static_cast<std::size_t>(link.from)];
        const int b = position[static_cast<std::size_t>(link.to)];
        return std::make_tuple(std::max(a, b), std::min(a, b), id);
    };
    std::sort(order.begin(), order.end(), [&](int x, int y) { return key(x) < key(y); });
    return order;
}

std::vector<int> positionsOf(const std::vector<int>& vertexOrder)
{
    std::vector<int> position(vertexOrder.size());
    for (std::size_t i = 0; i < vertexOrder.size(); ++i)
        position[static_cast<std::size_t>(vertexOrder[i])] = static_cast<int>(i);
    return position;
}

// What an order is expected to cost: the states of a boundary grow about
// threefold per vertex, so the widest boundaries dominate, and an order
// that holds its widest boundary for fewer steps is cheaper. A vertex that
// may fail and still has more than one later link costs more: failed, and
// working alone, are then two states of it, where a vertex with one link
// left that is reached alone can only end there, as if it had failed.
// (Without that distinction a grid of failing nodes was swept diagonally,
// with eight times the states of a sweep row by row; with it a grid of
// perfect nodes is still swept diagonally, which is three times cheaper.
// The states of a directed boundary do not tell the two apart.)
double estimatedCost(const Graph& graph, const std::vector<int>& vertexOrder)
{
    const Plan plan = planSteps(graph, vertexOrder);
    std::vector<int> boundary;
    double cost = 0;
    for (const Step& step : plan.steps) {
        std::vector<int> working = boundary;
        working.insert(working.end(), step.entering.begin(), step.entering.end());
        boundary.clear();
        int failingOpen = 0;
        for (std::size_t i = 0; i < step.kept.size(); ++i) {
            const int v = working[static_cast<std::size_t>(step.kept[i])];
            boundary.push_back(v);
            if (!graph.directed && step.laterLinks[i] > 1
                && graph.vertexAvailability[static_cast<std::size_t>(v)] < 1)
                ++failingOpen;
        }
        cost += std::pow(3.0, static_cast<double>(step.kept.size())) * std::pow(1.3, static_cast<double>(failingOpen));
    }
    return cost;
}

std::vector<int> numbered(int count, bool reversed)
{
    std::vector<int> order(static_cast<std::size_t>(count));
    for (int v = 0; v < count; ++v)
        order[static_cast<std::size_t>(v)] = reversed ? count - 1 - v : v;
    return order;
}

} // namespace

std::vector<int> chooseVertexOrder(const Graph& graph)
{
    const std::vector<std::vector<int>> adjacent = neighbours(graph);
    // The order the elements are numbered in is a candidate too: people
    // number a structure along its shape, which often sweeps it well.
    std::vector<std::vector<int>> candidates = {breadthFirst(adjacent, graph.source), greedy(adjacent, graph.source),
                                                breadthFirst(adjacent, graph.destination),
                                                greedy(adjacent, graph.destination),
                                                numbered(graph.vertexCount(), false),
                                                numbered(graph.vertexCount(), true)};
    std::size_t best = 0;
    double bestCost = estimatedCost(graph, candidates[0]);
    for (std::size_t i = 1; i < candidates.size(); ++i) {
        const double cost = estimatedCost(graph, candidates[i]);
        if (cost < bestCost) {
            bestCost = cost;
            best = i;
        }
    }
    return candidates[best];
}

std::vector<int> shuffledVertexOrder(const Graph& graph, std::uint32_t seed)
{
    std::vector<int> order = numbered(graph.vertexCount(), false);
    std::mt19937 random(seed);
    std::shuffle(order.begin(), order.end(), random);
    return order;
}

Plan planSteps(const Graph& graph, const std::vector<int>& vertexOrder)
{
    const std::vector<int> position = positionsOf(vertexOrder);
    const std::vector<int> order = linkOrder(graph, position);
    const auto count = static_cast<std::size_t>(graph.vertexCount());

    // For every vertex, the last step in which a link enters or leaves it.
    std::vector<int> lastIn(count, -1), lastOut(count, -1), firstStep(count, -1), links(count, 0);
    for (int k = 0; k < static_cast<int>(order.size()); ++k) {
        const Link& link = graph.links[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
        for (int v : {link.from, link.to})
            if (firstStep[static_cast<std::size_t>(v)] < 0)
                firstStep[static_cast<std::size_t>(v)] = k;
        lastOut[static_cast<std::size_t>(link.from)] = k;
        lastIn[static_cast<std::size_t>(link.to)] = k;
        ++links[static_cast<std::size_t>(link.from)];
        ++links[static_cast<std::size_t>(link.to)];
        if (!graph.directed) {
            lastIn[static_cast<std::size_t>(link.from)] = k;
            lastOut[static_cast<std::size_t>(link.to)] = k;
        }
    }

    Plan plan;
    std::vector<int> boundary; // vertices, by position
    for (int k = 0; k < static_cast<int>(order.size()); ++k) {
        const Link& link = graph.links[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
        Step step;
        step.link = order[static_cast<std::size_t>(k)];
        step.before = static_cast<int>(boundary.size());
        std::vector<int> working = boundary;
        for (int v : {link.from, link.to})
            --links[static_cast<std::size_t>(v)];
        for (int v : {link.from, link.to})
            if (firstStep[static_cast<std::size_t>(v)] == k && std::find(working.begin(), working.end(), v) == working.end()) {
                step.entering.push_back(v);
                working.push_back(v);
            }
        auto at = [&](int v) { return static_cast<int>(std::find(working.begin(), working.end(), v) - working.begin()); };
        step.fromPosition = at(link.from);
        step.toPosition = at(link.to);
        boundary.clear();
        for (int i = 0; i < static_cast<int>(working.size()); ++i) {
            const int v = working[static_cast<std::size_t>(i)];
            const bool laterIn = lastIn[static_cast<std::size_t>(v)] > k;
            const bool laterOut = lastOut[static_cast<std::size_t>(v)] > k;
            if (!laterIn && !laterOut)
                continue;
            boundary.push_back(v);
            step.kept.push_back(i);
            step.laterIn.push_back(laterIn ? 1 : 0);
            step.laterOut.push_back(laterOut ? 1 : 0);
            step.laterLinks.push_back(links[static_cast<std::size_t>(v)]);
        }
        const int done = k;
        step.sourceIn = firstStep[static_cast<std::size_t>(graph.source)] <= done
                        && firstStep[static_cast<std::size_t>(graph.source)] >= 0;
        step.destinationIn = firstStep[static_cast<std::size_t>(graph.destination)] <= done
                             && firstStep[static_cast<std::size_t>(graph.destination)] >= 0;
        plan.width = std::max(plan.width, static_cast<int>(boundary.size()));
        plan.workingWidth = std::max(plan.workingWidth, static_cast<int>(working.size()));
        plan.steps.push_back(std::move(step));
    }
    return plan;
}

Plan pairLinks(const Plan& plan)
{
    Plan paired;
    paired.width = plan.width;
    paired.workingWidth = plan.workingWidth;
    for (std::size_t k = 0; k < plan.steps.size(); ++k) {
        Step step = plan.steps[k];
        if (k + 1 < plan.steps.size() && !step.entering.empty() && plan.steps[k + 1].entering.empty()) {
            // The second link's positions and what stays after it, in the
            // working positions of the first.
            const Step& first = plan.steps[k];
            const Step& second = plan.steps[++k];
            auto working = [&](int position) { return first.kept[static_cast<std::size_t>(position)]; };
            step.pairedLink = second.link;
            step.pairedFrom = working(second.fromPosition);
            step.pairedTo = working(second.toPosition);
            step.kept.clear();
            for (int position : second.kept)
                step.kept.push_back(working(position));
            step.laterIn = second.laterIn;
            step.laterOut = second.laterOut;
            step.laterLinks = second.laterLinks;
            step.sourceIn = second.sourceIn;
            step.destinationIn = second.destinationIn;
        }
        paired.steps.push_back(std::move(step));
    }
    return paired;
}

} // namespace velmor::frontier
