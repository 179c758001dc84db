#include "algorithms/Npr.h"

#include "algorithms/Dominators.h"
#include "algorithms/ElementArcs.h"
#include "algorithms/RunFrame.h"
#include "algorithms/SolutionTreeRun.h"

#include <cstring>
#include <vector>

namespace velmor {

namespace {

using namespace trees;

// NPR's stopwatch slots.
constexpr int kExecutionSlot = 1;
constexpr int kSearchSlot = 2;
constexpr int kCandidateTestSlot = 3;

// Path marks of one expansion, per element of the found path.
constexpr std::int32_t kUnusedOnPath = -1; // not yet the failing element of a child
constexpr std::int32_t kUsed = 1;          // failed in an earlier child, or certain
constexpr std::int32_t kFixedByRow = 0;    // the expanded row already fixes it

// One NPR run. A node's working copy of the element graph would only block
// the arcs of the node's failed elements, so the searches read the node's
// row instead of a copy and follow adjacency lists.
//
// The shortest-path search. Over partial paths, breadth-first with the
// candidates of every path in ascending order, the first complete path is
// the lexicographically smallest of the shortest admissible paths (partial
// paths of one length are created in lexicographic order; the first one
// whose end has an arc to the destination wins). Admissible means: usable
// arcs, no element of state -1 under "normalno" except the destination, and
// in variant 1 every step's candidate passes the reachability test. That
// test never rejects a step of a shortest path unless the destination itself
// cannot be entered: the rest of a shortest path avoids the partial path
// (its distances to the destination are smaller) and the other candidates of
// the step (one of them on it would make a shorter path). So the search here
// computes the distances to the destination once, backwards, and walks from
// the source to the smallest successor one step closer.
//
// In variant 1 only the candidates of the source, the first partial path of
// every search, are tested: when the destination cannot be entered they are
// all rejected and no path is found unless the destination follows the
// source directly; otherwise the tests of the later steps cannot change the
// path, so they are not repeated.
class NprTree {
public:
    NprTree(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms, const ElementArcs& arcs)
        : run_(run), ws_(ws), finalTerms_(finalTerms), arcs_(arcs), tree_(ws.nprRows, ws.npr.feed, ws.npr.links),
          elements_(ws.workMatrix.columnCount()), source_(ws.workSourceIndex),
          destination_(ws.workDestinationIndex), variant_(run.variant()), normal_(run.normal())
    {
    }

    TreeRows& tree() { return tree_; }

    bool plant()
    {
        finalTerms_.clear();
        DeltaRows& numbers = ws_.nprPaths;
        if (!tree_.plantRoot(elements_, source_)
            || !numbers.allocate(elements_ + 1, 1) || !marks_.allocate(elements_))
            return false;
        numbers.set(source_, 0, 1);
        numbers.set(elements_, 0, 2);
        const auto count = static_cast<std::size_t>(elements_);
        states_.resize(count);
        enterable_.resize(count);
        for (int x = 0; x < elements_; ++x) {
            states_[static_cast<std::size_t>(x)] = ws_.workElementState.get(x);
            enterable_[static_cast<std::size_t>(x)] = !normal_ || states_[static_cast<std::size_t>(x)] != -1;
        }
        distance_.assign(count, 0);
        distanceKnown_.resize(elements_);
        onPath_.assign(count, 0);
        kept_.resize(elements_);
        isCandidate_.resize(elements_);
        candidates_.reserve(count);
        queue_.reserve(count);
        path_.reserve(count);
        branch_.reserve(count);
        reaching_.resize(elements_);
        markCutElements();
        // The measures of the containers whose size does not change: the work
        // matrix and its working copy, the element states and the path marks.
        fixedMeasure_ = 2 * ws_.workMatrix.byteSize() + ws_.workElementState.byteSize() + marks_.byteSize();
        return true;
    }

    bool expand(int row)
    {
        branch_.clear();
        const bool found = timedIn(run_, kExecutionSlot, kSearchSlot, [&] { return findShortestPath(row); });
        int branchable = 0;
        if (found)
            collectBranchElements(row, branchable);
        tree_.setState(row, expandedState(row));
        if (!branch_.empty() && !appendChildren(row, branchable + 1))
            return false;
        tree_.publish();
        return true;
    }

    std::int64_t workingSet() const
    {
        return fixedMeasure_ + finalTerms_.byteSize() + ws_.nprPaths.byteSize() + tree_.rowsByteSize()
               + tree_.linksByteSize() + 4 * static_cast<std::int64_t>(branch_.size()) + 4 * pathMeasureCount_;
    }

private:
    bool failed(const std::uint8_t* cells, int x) const { return termcells::codeAt(cells, x) == termcells::kFails; }
    bool enterable(int x) const { return enterable_[static_cast<std::size_t>(x)] != 0; }
    bool certain(int x) const { return normal_ && states_[static_cast<std::size_t>(x)] == 1; }
    int distance(int x) const { return distanceKnown_.has(x) ? distance_[static_cast<std::size_t>(x)] : -1; }

    // Breadth-first distances to the destination, backwards over the arcs
    // that the row's failed elements leave usable, through elements a path
    // may pass. Stops when the source is reached: every element nearer to
    // the destination has its distance by then. True when it was reached.
    bool distancesToDestination(const std::uint8_t* cells)
    {
        distanceKnown_.clearAll();
        if (source_ == destination_ || failed(cells, destination_) || cutElementFailed(cells))
            return false;
        queue_.clear();
        queue_.push_back(destination_);
        distanceKnown_.set(destination_);
        distance_[static_cast<std::size_t>(destination_)] = 0;
        for (std::size_t head = 0; head < queue_.size(); ++head) {
            const int v = queue_[head];
            const int next = distance_[static_cast<std::size_t>(v)] + 1;
            for (int u : arcs_.in(v)) {
                if (distanceKnown_.has(u) || failed(cells, u))
                    continue;
                if (u == source_) {
                    distanceKnown_.set(u);
                    distance_[static_cast<std::size_t>(u)] = next;
                    return true;
                }
                if (!enterable(u))
                    continue;
                distanceKnown_.set(u);
                distance_[static_cast<std::size_t>(u)] = next;
                queue_.push_back(u);
            }
        }
        return false;
    }

    // The elements every path from the source to the destination passes
    // (the destination's dominators from the source, over all arcs), as the
    // fail bits of a row's words. A row that fails one of them has no path,
    // whatever else it fixes: its search ends at once instead of walking
    // back to the failed element, which on a long chain is most of it.
    void markCutElements()
    {
        cutMask_.assign(static_cast<std::size_t>(termcells::wordsFor(tree_.rowBytes())), 0);
        const std::vector<int> dominator = immediateDominators(arcs_, source_, ArcDirection::Forward);
        if (dominator[static_cast<std::size_t>(destination_)] < 0)
            return;
        for (int x = destination_;; x = dominator[static_cast<std::size_t>(x)]) {
            cutMask_[static_cast<std::size_t>(x / 32)] |= std::uint64_t{1} << (2 * (x % 32));
            if (x == source_)
                break;
        }
    }
    bool cutElementFailed(const std::uint8_t* cells) const
    {
        const int bytes = tree_.rowBytes();
        for (std::size_t w = 0; w < cutMask_.size(); ++w)
            if (cutMask_[w] != 0
                && (termcells::cellsCoded(termcells::wordAt(cells, bytes, static_cast<int>(w)), termcells::kFails)
                    & cutMask_[w]) != 0)
                return true;
        return false;
    }

    // Whether the element `end` of the walked path leads straight to the
    // destination through a usable arc.
    bool destinationFollows(const std::uint8_t* cells, int end) const
    {
        if (onPath_[static_cast<std::size_t>(destination_)] || failed(cells, destination_))
            return false;
        for (int v : arcs_.out(end))
            if (v == destination_)
                return true;
        return false;
    }

    // The candidate tests of the source, the first partial path: a
    // candidate stays when it still reaches the destination without entering
    // the source or another candidate of the source. One backward search
    // from the destination answers them all; they are timed together.
    // When the row leaves the source no way to the destination, no step
    // follows whatever the tests say: their time is kept, their search is
    // not made (on a long chain most rows fail an element every path needs).
    void testSourceCandidates(const std::uint8_t* cells, bool reached)
    {
        kept_.clearAll();
        candidates_.clear();
        isCandidate_.clearAll();
        bool testable = false;
        for (int k : arcs_.out(source_)) {
            if (failed(cells, k) || onPath_[static_cast<std::size_t>(k)])
                continue;
            candidates_.push_back(k);
            isCandidate_.set(k);
            testable = testable || !(normal_ && states_[static_cast<std::size_t>(k)] == -1);
        }
        if (!testable)
            return;
        timedIn(run_, kSearchSlot, kCandidateTestSlot, [&] {
            if (!reached)
                return 0;
            reaching_.build(arcs_, destination_, [&](int x) {
                return !failed(cells, x) && !onPath_[static_cast<std::size_t>(x)] && enterable(x)
                       && !isCandidate_.has(x);
            });
            for (int k : candidates_)
                if (!(normal_ && states_[static_cast<std::size_t>(k)] == -1) && reaching_.reachableFrom(arcs_, k))
                    kept_.set(k);
            return 0;
        });
    }

    void stepOnto(int x)
    {
        path_.push_back(x);
        onPath_[static_cast<std::size_t>(x)] = 1;
    }

    bool findShortestPath(int row)
    {
        const std::uint8_t* cells = tree_.cells(row);
        const bool reached = distancesToDestination(cells);
        path_.clear();
        stepOnto(source_);
        // A failed source has all its arcs blocked: no candidate at all.
        const bool found = !failed(cells, source_) && walkToDestination(cells, reached);
        for (int x : path_)
            onPath_[static_cast<std::size_t>(x)] = 0;
        destinationReachable_ = reached && enterable(destination_);
        if (!found)
            return false;
        // The path and its marks; the path container keeps the last path
        // found until another one is.
        pathMeasureCount_ = static_cast<std::int64_t>(path_.size());
        std::int32_t* marks = marks_.data();
        for (int x : path_)
            marks[x] = kUnusedOnPath;
        return true;
    }

    // Extends the path from the source one step at a time; the destination
    // is the only extension as soon as it is a candidate.
    bool walkToDestination(const std::uint8_t* cells, bool reached)
    {
        for (;;) {
            const int end = path_.back();
            if (destinationFollows(cells, end)) {
                stepOnto(destination_);
                return true;
            }
            if (variant_ == 1 && end == source_)
                testSourceCandidates(cells, reached);
            const int step = reached ? nextStep(cells, end) : -1;
            if (step < 0)
                return false;
            stepOnto(step);
        }
    }

    // The smallest successor of `end` one step nearer to the destination that
    // the variant keeps; -1 when there is none.
    int nextStep(const std::uint8_t* cells, int end) const
    {
        const int wanted = distance(end) - 1;
        for (int k : arcs_.out(end)) {
            if (failed(cells, k) || onPath_[static_cast<std::size_t>(k)] || distance(k) != wanted)
                continue;
            if (variant_ == 1 && end == source_ && !kept_.has(k))
                continue;
            return k;
        }
        return -1;
    }

    // The path's elements the row leaves open become the branch elements;
    // those that may fail are counted.
    void collectBranchElements(int row, int& branchable)
    {
        const std::uint8_t* cells = tree_.cells(row);
        std::int32_t* marks = marks_.data();
        for (int x : path_) {
            if (termcells::codeAt(cells, x) != termcells::kZero) {
                marks[x] = kFixedByRow;
                continue;
            }
            branch_.push_back(x);
            if (states_[static_cast<std::size_t>(x)] == 0 || !normal_)
                ++branchable;
        }
    }

    int expandedState(int row) const
    {
        if (termcells::codeAt(tree_.cells(row), destination_) == termcells::kWorks)
            return SuccessLeaf;
        return destinationReachable_ ? ExpandedRow : FailureLeaf;
    }

    // How far the children of one expansion have walked the branch: each
    // child repeats its elder sibling's walk up to the sibling's failing
    // element, which works in it, and walks on from there.
    struct Walk {
        std::size_t position = 0; // the next branch element to look at
        std::int32_t next = 0;    // the next decision number
        int last = -1;            // the last element walked, -1 none
        bool lastFailed = false;
        int anomalies = 0;        // found on the walk so far; each child repeats them
    };

    bool appendChildren(int row, int count)
    {
        const int first = tree_.appendChildren(row, count);
        if (first < 0)
            return false;
        Walk walk;
        walk.next = ws_.nprPaths.get(elements_, row);
        for (int child = first; child < first + count; ++child)
            if (!walkBranch(child, child == first ? row : child - 1, walk))
                return false;
        return true;
    }

    // Fixes the branch elements of one child: working up to the first one not
    // yet used as a failing element, which fails. The marks are shared by the
    // children of one expansion, so each child fails the next element.
    // A child after the first starts as a copy of its elder sibling (`base`),
    // whose walk it shares up to the sibling's failing element: on a long
    // path a child then costs what it adds, not the whole path. Only the
    // decision numbers it gives are stored, over the base's.
    bool walkBranch(int child, int base, Walk& walk)
    {
        std::uint8_t* cells = tree_.childCells(child);
        DeltaRows& numbers = ws_.nprPaths;
        if (numbers.appendChild(base) != child)
            return false;
        if (base == child - 1 && walk.position > 0) {
            std::memcpy(cells, tree_.cells(base), static_cast<std::size_t>(tree_.rowBytes()));
            if (walk.lastFailed)
                termcells::putCell(cells, walk.last, 1); // marked used: it works from now on
            run_.anomalies += walk.anomalies;
        }
        // A child is a leaf as soon as its walk fixes the destination.
        int state = walk.last == destination_ ? 1 : int{OpenRow};
        walk.lastFailed = false;
        std::int32_t* marks = marks_.data();
        while (walk.position < branch_.size()) {
            const int x = branch_[walk.position++];
            const std::int32_t mark = marks[x];
            int value = 1;
            if (certain(x)) {
                marks[x] = kUsed;
            } else if (mark == kUnusedOnPath) {
                value = -1;
                marks[x] = kUsed;
            } else if (mark != kUsed) {
                continue;
            }
            const int anomaliesBefore = run_.anomalies;
            fixElement(run_, cells, x, value);
            walk.anomalies += run_.anomalies - anomaliesBefore;
            numbers.set(x, child, walk.next++);
            walk.last = x;
            state = x == destination_ ? value : int{OpenRow};
            if (value == -1) {
                walk.lastFailed = true;
                break;
            }
        }
        numbers.set(elements_, child, walk.next);
        tree_.setChildState(cells, state);
        return true;
    }

    AlgorithmRun& run_;
    StructureWorkspace& ws_;
    TermRows& finalTerms_;
    const ElementArcs& arcs_;
    TreeRows tree_;
    int elements_;
    int source_;
    int destination_;
    int variant_;
    bool normal_;

    std::vector<std::int32_t> states_;
    std::vector<char> enterable_;
    std::int64_t fixedMeasure_ = 0;

    // The search.
    std::vector<int> distance_;
    GenerationMarks distanceKnown_;
    std::vector<int> queue_;
    std::vector<char> onPath_;
    GenerationMarks kept_;
    std::vector<int> candidates_;
    GenerationMarks isCandidate_;
    ReachingSet reaching_;
    bool destinationReachable_ = false;
    std::vector<std::uint64_t> cutMask_; // see markCutElements

    // The path G, the branch elements H and the path marks O.
    std::vector<int> path_;
    std::int64_t pathMeasureCount_ = 0;
    std::vector<int> branch_;
    IntArray marks_;
};

} // namespace

bool runNpr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    return runTree<NprTree>(run, ws, finalTerms);
}

} // namespace velmor
