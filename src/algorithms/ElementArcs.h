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
    void unset(int element) { marks_[static_cast<std::size_t>(element)] = 0; }

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
        next_.resize(static_cast<std::size_t>(elementCount));
        queue_.clear();
        queue_.reserve(static_cast<std::size_t>(elementCount));
    }

    template <typename MayEnter>
    void build(const ElementArcs& arcs, int destination, MayEnter&& mayEnter)
    {
        marks_.clearAll();
        queue_.clear();
        if (!mayEnter(destination))
            return;
        marks_.set(destination);
        queue_.push_back(destination);
        next_[static_cast<std::size_t>(destination)] = destination;
        for (std::size_t head = 0; head < queue_.size(); ++head) {
            for (int previous : arcs.in(queue_[head])) {
                if (marks_.has(previous) || !mayEnter(previous))
                    continue;
                marks_.set(previous);
                next_[static_cast<std::size_t>(previous)] = queue_[head];
                queue_.push_back(previous);
            }
        }
    }

    bool reached(int element) const { return marks_.has(element); }

    // Numbers the search's ways so that wayOpen can tell whether a reached
    // element's way to the destination passes through given elements.
    void indexWays();

    // Whether some arc from `start` enters an element whose way found by the
    // last search avoids every element of `blocked` (reached elements that
    // may not be entered any more). Such a way still reaches the
    // destination, so a true answer needs no new search; a false one says
    // nothing. Needs indexWays() after the search.
    bool wayOpen(const ElementArcs& arcs, int start, std::span<const int> blocked) const;

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
    // The element through which each reached one was found: its way on.
    std::vector<int> next_;
    // Preorder numbers and subtree sizes of the tree the ways form, rooted
    // at the destination: x's way passes through d when x lies in d's
    // subtree.
    std::vector<int> preorder_;
    std::vector<int> below_;
    std::vector<int> cursor_;
};

} // namespace velmor
