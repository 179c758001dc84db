#include "algorithms/Reduction.h"

#include "algorithms/Dominators.h"
#include "algorithms/ElementArcs.h"

#include <cstring>
#include <vector>

// The reduction takes out one element at a time (the cut) and removes every
// other element that the forward search from the source and the backward
// search towards the destination then both miss. Done literally that is a
// cubic amount of work on a long chain; dominator trees give the same set in
// near-linear time.
//
// Why they give the same set. Take the cut c and an element j != c.
// - The forward search misses j exactly when j cannot be reached from the
//   source s without passing c: when j is unreachable from s at all, or when
//   c strictly dominates j from s. (With c = s the search starts at s but
//   every arc out of s is blocked, so it misses every j != s; s strictly
//   dominates every reachable element, so the rule holds for c = s too.)
// - Likewise the backward search misses j exactly when j cannot reach the
//   destination t at all, or when c strictly dominates j from t in the
//   reversed graph.
// So j is removed exactly when some c != j is both. By cases:
// - j neither reachable from s nor reaching t: any c != j does (there are
//   at least two elements, since s != t): removed.
// - j reaches t but is unreachable from s: removed unless it has no strict
//   dominator towards t, which only t lacks (t dominates every element that
//   reaches it). So every such j but t goes; symmetrically every j that is
//   reachable from s but does not reach t goes, except s.
// - j reachable from s and reaching t: removed exactly when its strict
//   ancestors in the two dominator trees have an element in common.
// The last test is made in one depth-first walk of the forward tree: the
// walk keeps the strict ancestors of the present element open, each open
// ancestor marks its strict subtree in the backward tree (an interval of
// preorder numbers there), and the element goes when its own backward
// preorder number lies in a marked interval.
//
// Cost: one pass over the matrix for the arc lists, then O(m log n) for the
// two dominator trees and O(n log n) for the walk, m arcs and n elements.

namespace velmor {

namespace {

// Counts per position of how many marked intervals cover it: ranges are
// added and taken away, points are asked (a Fenwick tree over differences).
class IntervalCover {
public:
    explicit IntervalCover(int size) : tree_(static_cast<std::size_t>(size) + 1, 0) {}

    void add(int first, int last, int amount)
    {
        if (first > last)
            return;
        addFrom(first, amount);
        addFrom(last + 1, -amount);
    }
    bool covered(int position) const
    {
        int sum = 0;
        for (std::size_t i = static_cast<std::size_t>(position) + 1; i > 0; i &= i - 1)
            sum += tree_[i];
        return sum > 0;
    }

private:
    void addFrom(int position, int amount)
    {
        for (std::size_t i = static_cast<std::size_t>(position) + 1; i < tree_.size(); i += i & (~i + 1))
            tree_[i] += amount;
    }

    std::vector<int> tree_;
};

// A dominator tree as child lists.
struct DominatorTree {
    std::vector<int> parent;     // immediate dominator; -1 unreachable
    std::vector<int> childStart; // children of e: child[childStart[e] .. childStart[e + 1])
    std::vector<int> child;

    DominatorTree(const ElementArcs& arcs, int root, ArcDirection direction)
        : parent(immediateDominators(arcs, root, direction))
    {
        const std::size_t n = parent.size();
        childStart.assign(n + 1, 0);
        for (std::size_t e = 0; e < n; ++e)
            if (parent[e] >= 0 && static_cast<int>(e) != root)
                ++childStart[static_cast<std::size_t>(parent[e]) + 1];
        for (std::size_t e = 0; e < n; ++e)
            childStart[e + 1] += childStart[e];
        child.assign(static_cast<std::size_t>(childStart[n]), 0);
        std::vector<int> fill(childStart.begin(), childStart.end() - 1);
        for (std::size_t e = 0; e < n; ++e)
            if (parent[e] >= 0 && static_cast<int>(e) != root)
                child[static_cast<std::size_t>(fill[static_cast<std::size_t>(parent[e])]++)] = static_cast<int>(e);
    }

    bool reaches(int e) const { return parent[static_cast<std::size_t>(e)] >= 0; }

    // Walks the tree depth-first from the root: enter(e) before e's subtree,
    // leave(e) after it.
    template <typename Enter, typename Leave>
    void walk(int root, Enter&& enter, Leave&& leave) const
    {
        std::vector<std::pair<int, int>> stack; // element, next child position
        enter(root);
        stack.emplace_back(root, childStart[static_cast<std::size_t>(root)]);
        while (!stack.empty()) {
            auto& [e, next] = stack.back();
            if (next == childStart[static_cast<std::size_t>(e) + 1]) {
                leave(e);
                stack.pop_back();
                continue;
            }
            const int c = child[static_cast<std::size_t>(next++)];
            enter(c);
            stack.emplace_back(c, childStart[static_cast<std::size_t>(c)]);
        }
    }
};

std::vector<char> keptElements(const ElementArcs& arcs, int s, int t)
{
    const int n = arcs.elementCount();
    const DominatorTree fromSource(arcs, s, ArcDirection::Forward);
    const DominatorTree toDestination(arcs, t, ArcDirection::Backward);

    // Preorder number and last preorder number of the subtree, per element
    // of the backward tree.
    std::vector<int> first(static_cast<std::size_t>(n), -1), last(static_cast<std::size_t>(n), -1);
    int counter = 0;
    toDestination.walk(
        t, [&](int e) { first[static_cast<std::size_t>(e)] = counter++; },
        [&](int e) { last[static_cast<std::size_t>(e)] = counter - 1; });

    std::vector<char> keep(static_cast<std::size_t>(n), 0);
    keep[static_cast<std::size_t>(s)] = 1;
    keep[static_cast<std::size_t>(t)] = 1;
    IntervalCover cover(counter);
    auto strictSubtree = [&](int e, int amount) {
        cover.add(first[static_cast<std::size_t>(e)] + 1, last[static_cast<std::size_t>(e)], amount);
    };
    fromSource.walk(
        s,
        [&](int e) {
            if (!toDestination.reaches(e))
                return; // kept only as the source
            if (!cover.covered(first[static_cast<std::size_t>(e)]))
                keep[static_cast<std::size_t>(e)] = 1;
            strictSubtree(e, 1);
        },
        [&](int e) {
            if (toDestination.reaches(e))
                strictSubtree(e, -1);
        });
    return keep;
}

// Rebuilds the matrix over the kept elements in their old order and records,
// per new index, the old one. When every element stays the matrix is left as
// it is.
bool renumber(const std::vector<char>& keep, int& source, int& destination, ByteMatrix& matrix,
              IntArray& elementMap)
{
    std::vector<int> oldIndex;
    std::vector<int> newIndex(keep.size(), -1);
    for (std::size_t j = 0; j < keep.size(); ++j) {
        if (!keep[j])
            continue;
        newIndex[j] = static_cast<int>(oldIndex.size());
        oldIndex.push_back(static_cast<int>(j));
    }
    const int kept = static_cast<int>(oldIndex.size());
    IntArray map;
    if (!map.allocate(kept))
        return false;
    for (int a = 0; a < kept; ++a)
        map.set(a, oldIndex[static_cast<std::size_t>(a)]);
    if (kept < matrix.rowCount()) {
        // Kept columns come in runs of consecutive old indices: one copy per run.
        std::vector<std::pair<int, int>> runs; // first old column, length
        for (int b = 0; b < kept; ++b) {
            const int old = oldIndex[static_cast<std::size_t>(b)];
            if (!runs.empty() && runs.back().first + runs.back().second == old)
                ++runs.back().second;
            else
                runs.emplace_back(old, 1);
        }
        ByteMatrix reduced;
        if (!reduced.allocate(kept, kept))
            return false;
        for (int a = 0; a < kept; ++a) {
            const std::int8_t* from = matrix.row(oldIndex[static_cast<std::size_t>(a)]);
            std::int8_t* to = reduced.row(a);
            for (const auto& [column, length] : runs) {
                std::memcpy(to, from + column, static_cast<std::size_t>(length));
                to += length;
            }
        }
        matrix = std::move(reduced);
    }
    elementMap = std::move(map);
    source = newIndex[static_cast<std::size_t>(source)];
    destination = newIndex[static_cast<std::size_t>(destination)];
    return true;
}

} // namespace

bool reduceStructure(int& workSourceIndex, int& workDestinationIndex, ByteMatrix& workMatrix, IntArray& elementMap)
{
    const int last = workMatrix.lastRow();
    if (workMatrix.lastColumn() != last)
        return false;
    const int s = workSourceIndex;
    const int t = workDestinationIndex;
    if (s < 0 || s > last || t < 0 || t > last)
        return false;
    if (s == t)
        return true;

    // Cells above 1, which only a hand-made matrix holds, are refused as the
    // algorithms refuse them (ElementArcs::build).
    ElementArcs arcs;
    if (!arcs.build(workMatrix))
        return false;
    return renumber(keptElements(arcs, s, t), workSourceIndex, workDestinationIndex, workMatrix, elementMap);
}

} // namespace velmor
