#include "algorithms/Enr.h"

#include "algorithms/ElementArcs.h"
#include "algorithms/RunFrame.h"
#include "algorithms/SolutionTreeRun.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace velmor {

namespace {

using namespace trees;

// ENR's stopwatch slots.
constexpr int kExecutionSlot = 2;
constexpr int kNeighbourTestSlot = 1;
// Beyond this many changed cells a row's frontier is collected afresh.
constexpr std::size_t kMaxChangedCells = 64;

// One ENR run. A node's marked working copy says no more than its row does:
// an arc leaves the working set when it runs from a working element to one
// that is neither working nor failed, and an arc is usable in the copy when
// both its ends are neither. So the frontier comes from the adjacency lists
// of the working elements and the neighbour tests search the lists, entering
// only elements the row leaves open.
class EnrTree {
public:
    EnrTree(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms, const ElementArcs& arcs)
        : run_(run), ws_(ws), finalTerms_(finalTerms), arcs_(arcs), tree_(ws.enrRows, ws.enr.feed, ws.enr.links),
          elements_(ws.workMatrix.columnCount()), destination_(ws.workDestinationIndex), variant_(run.variant()),
          normal_(run.normal())
    {
    }

    TreeRows& tree() { return tree_; }

    bool plant()
    {
        if (!tree_.plantRoot(elements_, ws_.workSourceIndex)
            || !finalTerms_.allocate(elements_, 1))
            return false;
        const auto count = static_cast<std::size_t>(elements_);
        states_.resize(count);
        enterable_.resize(count);
        for (int x = 0; x < elements_; ++x) {
            states_[static_cast<std::size_t>(x)] = ws_.workElementState.get(x);
            enterable_[static_cast<std::size_t>(x)] = !normal_ || states_[static_cast<std::size_t>(x)] != -1;
        }
        onFrontier_.resize(elements_);
        frontier_.reserve(count);
        candidates_.reserve(count);
        certain_.reserve(count);
        reaching_.resize(elements_);
        touched_.resize(elements_);
        blockedLimit_ = 4 + static_cast<std::size_t>(std::sqrt(elements_));
        // The measures of the containers whose size does not change: the work
        // matrix and its working copy, the final terms' first empty row, the
        // element states, the frontier marks F and the certain neighbours G.
        fixedMeasure_ = 2 * ws_.workMatrix.byteSize() + finalTerms_.byteSize() + ws_.workElementState.byteSize()
                        + 2 * 4 * static_cast<std::int64_t>(elements_);
        return true;
    }

    bool expand(int row)
    {
        const std::uint8_t* cells = tree_.cells(row);
        collectFrontier(cells);
        frontierRow_ = row;
        const bool certainFound = selectCandidates(cells);
        tree_.setState(row, termcells::codeAt(cells, destination_) == termcells::kWorks ? SuccessLeaf : ExpandedRow);
        if (certainFound) {
            if (!appendCertainChild(row))
                return false;
        } else if (!candidates_.empty() && !appendCandidateChildren(row)) {
            return false;
        }
        tree_.publish();
        return true;
    }

    std::int64_t workingSet() const { return fixedMeasure_ + tree_.rowsByteSize() + tree_.linksByteSize(); }

private:
    bool open(const std::uint8_t* cells, int x) const { return termcells::codeAt(cells, x) == termcells::kZero; }
    bool enterable(int x) const { return enterable_[static_cast<std::size_t>(x)] != 0; }

    // The elements that an arc from a working element enters and that the
    // row leaves open, in ascending order. A row expanded after a similar
    // one (on a long chain, its parent) starts from that row's frontier and
    // reconsiders only the elements next to the cells that differ: walking
    // every working element of every row is quadratic in the chain's length.
    void collectFrontier(const std::uint8_t* cells)
    {
        const bool similar = frontierRow_ >= 0
                             && changedCells(tree_.cells(frontierRow_), cells, kMaxChangedCells, changed_);
        if (similar)
            updateFrontier(cells);
        else
            collectWholeFrontier(cells);
        std::sort(frontier_.begin(), frontier_.end());
    }

    void collectWholeFrontier(const std::uint8_t* cells)
    {
        onFrontier_.clearAll();
        frontier_.clear();
        const int bytes = tree_.rowBytes();
        for (int w = 0; w < termcells::wordsFor(bytes); ++w) {
            std::uint64_t working = termcells::cellsCoded(termcells::wordAt(cells, bytes, w), termcells::kWorks);
            for (; working != 0; working &= working - 1) {
                const int a = 32 * w + std::countr_zero(working) / 2;
                if (a >= elements_)
                    break; // the row state
                for (int k : arcs_.out(a)) {
                    if (!open(cells, k) || onFrontier_.has(k))
                        continue;
                    onFrontier_.set(k);
                    frontier_.push_back(k);
                }
            }
        }
    }

    // An element's place on the frontier depends on its own cell and on
    // those of the elements with arcs into it.
    void updateFrontier(const std::uint8_t* cells)
    {
        touched_.clearAll();
        bool left = false;
        const auto reconsider = [&](int k) {
            if (touched_.has(k))
                return;
            touched_.set(k);
            const auto in = arcs_.in(k);
            const bool entered = open(cells, k) && std::any_of(in.begin(), in.end(), [&](int a) {
                return termcells::codeAt(cells, a) == termcells::kWorks;
            });
            if (entered == onFrontier_.has(k))
                return;
            if (entered) {
                onFrontier_.set(k);
                frontier_.push_back(k);
            } else {
                onFrontier_.unset(k);
                left = true;
            }
        };
        for (int x : changed_) {
            reconsider(x);
            for (int k : arcs_.out(x))
                reconsider(k);
        }
        if (left)
            std::erase_if(frontier_, [&](int k) { return !onFrontier_.has(k); });
    }

    // The element cells in which two rows differ, into `changed`; false
    // when there are more than `limit`.
    bool changedCells(const std::uint8_t* from, const std::uint8_t* to, std::size_t limit, std::vector<int>& changed) const
    {
        changed.clear();
        const int bytes = tree_.rowBytes();
        for (int w = 0; w < termcells::wordsFor(bytes); ++w) {
            std::uint64_t differ = termcells::cellsSet(termcells::wordAt(from, bytes, w) ^ termcells::wordAt(to, bytes, w));
            for (; differ != 0; differ &= differ - 1) {
                const int x = 32 * w + std::countr_zero(differ) / 2;
                if (x >= elements_)
                    break; // the row state
                if (changed.size() == limit)
                    return false;
                changed.push_back(x);
            }
        }
        return true;
    }

    // Leaves in candidates_ the frontier elements to branch on and in
    // certain_ the certain neighbours; true when there is one. The
    // destination is branched on alone. Under "normalno" elements of state
    // -1 are dropped and those of state 1 become certain neighbours, after
    // which no other element is tested or counted.
    bool selectCandidates(const std::uint8_t* cells)
    {
        candidates_.clear();
        certain_.clear();
        if (onFrontier_.has(destination_)) {
            candidates_.push_back(destination_);
            return false;
        }
        bool certainFound = false;
        for (int k : frontier_) {
            const std::int32_t state = states_[static_cast<std::size_t>(k)];
            if (normal_ && state != 0) {
                if (state == 1) {
                    certain_.push_back(k);
                    certainFound = true;
                }
            } else if (!certainFound) {
                candidates_.push_back(k);
            }
        }
        if (!candidates_.empty() && (variant_ == 1 || variant_ == 2))
            keepCandidatesLeadingOn(cells);
        return certainFound;
    }

    // The neighbour tests of the optimised variants: a candidate stays when
    // the destination can be reached from it without entering a working or
    // failed element (nor, in "Opt. II razine", another frontier element).
    // One backward search from the destination answers them all; the tests
    // of a node are timed together. The ways that search found often stay
    // open for the rows expanded after it: while every candidate still has
    // one, no new search is needed.
    void keepCandidatesLeadingOn(const std::uint8_t* cells)
    {
        timedIn(run_, kExecutionSlot, kNeighbourTestSlot, [&] {
            if (waysStillOpen(cells))
                return 0;
            const bool avoidFrontier = variant_ == 2;
            reaching_.build(arcs_, destination_, [&](int x) {
                return open(cells, x) && enterable(x) && !(avoidFrontier && onFrontier_.has(x));
            });
            reaching_.indexWays();
            searchedRow_ = frontierRow_;
            std::erase_if(candidates_, [&](int k) { return !reaching_.reachableFrom(arcs_, k); });
            return 0;
        });
    }

    // Whether every candidate keeps a way found by the last search: the
    // elements it reached that this row closes (entered, failed or, in
    // "Opt. II razine", on the frontier) are few and cut none of them.
    bool waysStillOpen(const std::uint8_t* cells)
    {
        if (searchedRow_ < 0)
            return false;
        if (!changedCells(tree_.cells(searchedRow_), cells, 4 * blockedLimit_, blocked_))
            return false;
        std::erase_if(blocked_, [&](int x) { return !reaching_.reached(x) || open(cells, x); });
        if (variant_ == 2)
            for (int f : frontier_)
                if (reaching_.reached(f))
                    blocked_.push_back(f);
        if (blocked_.size() > blockedLimit_)
            return false;
        return std::all_of(candidates_.begin(), candidates_.end(),
                           [&](int k) { return reaching_.wayOpen(arcs_, k, blocked_); });
    }

    // All certain neighbours work at once, in a single child.
    bool appendCertainChild(int row)
    {
        const int child = tree_.appendChildren(row, 1);
        if (child < 0)
            return false;
        std::uint8_t* cells = tree_.childCells(child);
        for (int k : certain_)
            fixElement(run_, cells, k, 1);
        tree_.setChildState(cells, termcells::codeAt(cells, destination_) == termcells::kWorks ? SuccessLeaf : OpenRow);
        return true;
    }

    // Child r fails the first r-1 candidates and makes the r-th work; the
    // last child fails them all.
    bool appendCandidateChildren(int row)
    {
        const int count = static_cast<int>(candidates_.size());
        const int first = tree_.appendChildren(row, count + 1);
        if (first < 0)
            return false;
        for (int r = 0; r <= count; ++r) {
            std::uint8_t* cells = tree_.childCells(first + r);
            for (int f = 0; f < r; ++f)
                fixElement(run_, cells, candidates_[static_cast<std::size_t>(f)], -1);
            if (r == count) {
                tree_.setChildState(cells, FailureLeaf);
                continue;
            }
            const int k = candidates_[static_cast<std::size_t>(r)];
            fixElement(run_, cells, k, 1);
            tree_.setChildState(cells, k == destination_ ? SuccessLeaf : OpenRow);
        }
        return true;
    }

    AlgorithmRun& run_;
    StructureWorkspace& ws_;
    TermRows& finalTerms_;
    const ElementArcs& arcs_;
    TreeRows tree_;
    int elements_;
    int destination_;
    int variant_;
    bool normal_;

    std::vector<std::int32_t> states_;
    std::vector<char> enterable_;
    std::int64_t fixedMeasure_ = 0;

    GenerationMarks onFrontier_;
    std::vector<int> frontier_;
    std::vector<int> candidates_;
    std::vector<int> certain_;
    ReachingSet reaching_;

    // The row whose frontier frontier_ holds (the one being expanded, then
    // the last one), and the row of the last neighbour search: the next
    // rows start from them.
    int frontierRow_ = -1;
    int searchedRow_ = -1;
    // Closed elements beyond which a new search costs less than testing
    // every candidate's way against them.
    std::size_t blockedLimit_ = 0;
    GenerationMarks touched_;
    std::vector<int> changed_;
    std::vector<int> blocked_;
};

} // namespace

bool runEnr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    return runTree<EnrTree>(run, ws, finalTerms);
}

} // namespace velmor
