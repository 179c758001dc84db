#include "algorithms/Dominators.h"

#include <utility>

namespace velmor {

namespace {

constexpr int kNone = -1;

// Everything below works on depth-first preorder numbers (0 = the root):
// there an element's semidominator is simply the smallest number that
// qualifies.
class DominatorSearch {
public:
    DominatorSearch(const ElementArcs& arcs, ArcDirection direction)
        : arcs_(arcs), forward_(direction == ArcDirection::Forward),
          number_(static_cast<std::size_t>(arcs.elementCount()), kNone)
    {
    }

    std::vector<int> run(int root)
    {
        numberFrom(root);
        computeSemidominators();
        std::vector<int> idom(number_.size(), kNone);
        for (std::size_t w = 0; w < order_.size(); ++w)
            idom[static_cast<std::size_t>(order_[w])] = order_[static_cast<std::size_t>(idom_[w])];
        return idom;
    }

private:
    std::span<const int> successors(int element) const
    {
        return forward_ ? arcs_.out(element) : arcs_.in(element);
    }
    std::span<const int> predecessors(int element) const
    {
        return forward_ ? arcs_.in(element) : arcs_.out(element);
    }

    // Depth-first search with an explicit stack of (element, next arc).
    void numberFrom(int root)
    {
        std::vector<std::pair<int, std::size_t>> stack;
        auto visit = [&](int element, int parentNumber) {
            number_[static_cast<std::size_t>(element)] = static_cast<int>(order_.size());
            order_.push_back(element);
            parent_.push_back(parentNumber);
            stack.emplace_back(element, 0);
        };
        visit(root, 0);
        while (!stack.empty()) {
            auto& [element, next] = stack.back();
            const std::span<const int> arcs = successors(element);
            if (next == arcs.size()) {
                stack.pop_back();
                continue;
            }
            const int target = arcs[next++];
            if (number_[static_cast<std::size_t>(target)] == kNone)
                visit(target, number_[static_cast<std::size_t>(element)]);
        }
    }

    void computeSemidominators()
    {
        const auto count = order_.size();
        semi_.resize(count);
        label_.resize(count);
        ancestor_.assign(count, kNone);
        idom_.assign(count, 0);
        std::vector<int> bucketHead(count, kNone), bucketNext(count, kNone);
        for (std::size_t w = 0; w < count; ++w)
            semi_[w] = label_[w] = static_cast<int>(w);

        for (int w = static_cast<int>(count) - 1; w > 0; --w) {
            const auto wi = static_cast<std::size_t>(w);
            for (int element : predecessors(order_[wi])) {
                const int v = number_[static_cast<std::size_t>(element)];
                if (v == kNone)
                    continue; // not reachable from the root
                const int u = eval(v);
                if (semi_[static_cast<std::size_t>(u)] < semi_[wi])
                    semi_[wi] = semi_[static_cast<std::size_t>(u)];
            }
            const auto semi = static_cast<std::size_t>(semi_[wi]);
            bucketNext[wi] = bucketHead[semi];
            bucketHead[semi] = w;
            const int p = parent_[wi];
            ancestor_[wi] = p;
            // Every element whose semidominator is p: its immediate dominator
            // is p, or the same as that of the element of smallest
            // semidominator on its tree path (settled in the last loop).
            for (int v = bucketHead[static_cast<std::size_t>(p)]; v != kNone; v = bucketNext[static_cast<std::size_t>(v)]) {
                const int u = eval(v);
                idom_[static_cast<std::size_t>(v)] =
                    semi_[static_cast<std::size_t>(u)] < semi_[static_cast<std::size_t>(v)] ? u : p;
            }
            bucketHead[static_cast<std::size_t>(p)] = kNone;
        }
        for (std::size_t w = 1; w < count; ++w)
            if (idom_[w] != semi_[w])
                idom_[w] = idom_[static_cast<std::size_t>(idom_[w])];
        idom_[0] = 0;
    }

    // The element of smallest semidominator on the linked path above v (v
    // itself while it is not linked), compressing the path on the way.
    int eval(int v)
    {
        if (ancestor_[static_cast<std::size_t>(v)] == kNone)
            return v;
        compress(v);
        return label_[static_cast<std::size_t>(v)];
    }

    void compress(int v)
    {
        path_.clear();
        for (int x = v; ancestor_[static_cast<std::size_t>(ancestor_[static_cast<std::size_t>(x)])] != kNone;
             x = ancestor_[static_cast<std::size_t>(x)])
            path_.push_back(x);
        // From the top of the path down, as the recursive form would unwind.
        for (auto it = path_.rbegin(); it != path_.rend(); ++it) {
            const auto x = static_cast<std::size_t>(*it);
            const auto a = static_cast<std::size_t>(ancestor_[x]);
            if (semi_[static_cast<std::size_t>(label_[a])] < semi_[static_cast<std::size_t>(label_[x])])
                label_[x] = label_[a];
            ancestor_[x] = ancestor_[a];
        }
    }

    const ElementArcs& arcs_;
    const bool forward_;
    std::vector<int> number_; // preorder number per element, kNone unreached
    std::vector<int> order_;  // element per preorder number
    std::vector<int> parent_; // parent's number in the search tree
    std::vector<int> semi_, label_, ancestor_, idom_, path_;
};

} // namespace

std::vector<int> immediateDominators(const ElementArcs& arcs, int root, ArcDirection direction)
{
    return DominatorSearch(arcs, direction).run(root);
}

} // namespace velmor
