#pragma once

// The element graph as adjacency lists, and the reachability of a
// destination over it with marks that are reset by a generation number. The
// solution trees use them instead of marking a full copy of the work matrix
// for every node: what a working copy would block follows from the node's
// fixed elements, so a search only needs to know which elements it may
// enter.

#include "containers/CellMatrix.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace velmor {

// The usable arcs (cells holding 1) of a square matrix, out of and into
// every element, each list in ascending element order.
class ElementArcs {
public:
    // False when the matrix is not square or holds a cell above 1: such a
    // cell is neither an arc nor a gap, and the lists cannot say how a
    // working copy would treat it. The program only ever builds square
    // matrices of 0 and 1 cells (loading, the editor and the matrix view
    // write nothing else), so the drivers refuse such a work structure as
    // unusable.
    bool build(const ByteMatrix& matrix);

    int elementCount() const { return static_cast<int>(outStart_.size()) - 1; }
    std::span<const int> out(int a) const { return span(outStart_, outList_, a); }
    std::span<const int> in(int b) const { return span(inStart_, inList_, b); }

private:
    static std::span<const int> span(const std::vector<int>& start, const std::vector<int>& list, int element)
    {
        const auto from = static_cast<std::size_t>(start[static_cast<std::size_t>(element)]);
        const auto to = static_cast<std::size_t>(start[static_cast<std::size_t>(element) + 1]);
        return {list.data() + from, to - from};
    }

    std::vector<int> outStart_;
    std::vector<int> outList_;
    std::vector<int> inStart_;
    std::vector<int> inList_;
};

// Element marks that are cleared in constant time: a mark is set when it
// holds the current generation.
class GenerationMarks {
public:
    void resize(int count) { marks_.assign(static_cast<std::size_t>(count), 0); }
    void clearAll()
    {
        if (++generation_ == 0) { // wrapped: old marks could match again
            std::fill(marks_.begin(), marks_.end(), 0);
            generation_ = 1;
        }
    }
    bool has(int element) const { return marks_[static_cast<std::size_t>(element)] == generation_; }
    void set(int element) { marks_[static_cast<std::size_t>(element)] = generation_; }

private:
    std::vector<std::uint32_t> marks_;
    std::uint32_t generation_ = 1;
};

// The elements from which a destination can still be reached along usable
// arcs, entering only elements that a predicate admits: one backward search
// from the destination answers the reachability tests of every candidate of
// a step. The predicate stands for what a working copy blocks (arcs into
// used or failed elements), for the behaviour's element states and for the
// other candidates that a test may not pass through.
class ReachingSet {
public:
    void resize(int elementCount)
    {
        marks_.resize(elementCount);
        queue_.clear();
        queue_.reserve(static_cast<std::size_t>(elementCount));
    }

    template <typename MayEnter>
    void build(const ElementArcs& arcs, int destination, MayEnter&& mayEnter)
    {
        marks_.clearAll();
        if (!mayEnter(destination))
            return;
        queue_.clear();
        marks_.set(destination);
        queue_.push_back(destination);
        for (std::size_t head = 0; head < queue_.size(); ++head) {
            for (int previous : arcs.in(queue_[head])) {
                if (marks_.has(previous) || !mayEnter(previous))
                    continue;
                marks_.set(previous);
                queue_.push_back(previous);
            }
        }
    }

    // Whether the destination can be reached from `start`, which is not
    // entered itself: some arc from it enters the set. The arcs out of the
    // start must be usable.
    bool reachableFrom(const ElementArcs& arcs, int start) const
    {
        for (int next : arcs.out(start))
            if (marks_.has(next))
                return true;
        return false;
    }

private:
    GenerationMarks marks_;
    std::vector<int> queue_;
};

} // namespace velmor
