#include "algorithms/reference/Npr.h"

#include "algorithms/RunFrame.h"
#include "algorithms/reference/SolutionTree.h"
#include "structure/StructureWorkspace.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor::reference {

namespace {

// NPR's stopwatch slots.
constexpr int kExecutionSlot = 1;
constexpr int kSearchSlot = 2;
constexpr int kCandidateTestSlot = 3;

// Path marks of one expansion, per element of the found path.
constexpr std::int32_t kUnusedOnPath = -1; // not yet the failing element of a child
constexpr std::int32_t kUsed = 1;          // failed in an earlier child, or certain
constexpr std::int32_t kFixedByRow = 0;    // the expanded row already fixes it

// The partial paths of one search, in order of creation: per path its
// element cells and state, its end element, and its elements in order with
// their count. Storage grows by doubling, so a search with many partial paths
// costs no more than their cells.
class PartialPaths {
public:
    enum State : std::int8_t { Open = 0, Complete = 1, Extended = -1 };

    explicit PartialPaths(int elementCount) : elements_(elementCount) {}

    bool start(int source)
    {
        if (!reserve(1))
            return false;
        count_ = 1;
        cells_.set(source, 0, 1);
        ends_.set(0, source);
        order_.set(0, 0, source);
        order_.set(elements_, 0, 1);
        return true;
    }
    int count() const { return count_; }
    State state(int path) const { return static_cast<State>(cells_.row(path)[elements_]); }
    void setState(int path, State state) { cells_.row(path)[elements_] = state; }
    int end(int path) const { return ends_.get(path); }
    bool holds(int path, int element) const { return cells_.row(path)[element] != 0; }
    int length(int path) const { return order_.row(path)[elements_]; }
    const std::int32_t* order(int path) const { return order_.row(path); }

    // Appends a copy of `path`; returns the new path, -1 when storage ran out.
    int copyOf(int path)
    {
        if (!reserve(count_ + 1))
            return -1;
        const int copy = count_++;
        std::memcpy(cells_.row(copy), cells_.row(path), static_cast<std::size_t>(elements_) + 1);
        std::memcpy(order_.row(copy), order_.row(path), sizeof(std::int32_t) * (static_cast<std::size_t>(elements_) + 1));
        cells_.row(copy)[elements_] = Open;
        return copy;
    }
    // Puts `element` at the path's next position and makes it the end.
    void place(int path, int element, AlgorithmRun& run)
    {
        fixElement(run, cells_.row(path), element, 1);
        order_.row(path)[length(path)] = element;
        ends_.set(path, element);
    }
    void grow(int path) { ++order_.row(path)[elements_]; }

private:
    bool reserve(int paths)
    {
        if (paths <= cells_.rowCount())
            return true;
        const int rows = std::max(paths, 2 * cells_.rowCount());
        const bool fresh = cells_.rowCount() == 0;
        return fresh ? cells_.allocate(elements_ + 1, rows) && order_.allocate(elements_ + 1, rows) && ends_.allocate(rows)
                     : cells_.resize(elements_ + 1, rows) && order_.resize(elements_ + 1, rows) && ends_.resize(rows);
    }

    int elements_;
    int count_ = 0;
    ByteMatrix cells_;  // element cells, then the path state
    WideMatrix order_;  // elements in path order, then their count
    IntArray ends_;     // end element of every path
};

enum class SearchOutcome { NotFound, Found, OutOfStorage };

// One search: the working copy it reads, the run it counts anomalies and
// candidate tests in, and the partial paths it builds.
class PathSearch {
public:
    PathSearch(AlgorithmRun& run, const ByteMatrix& copy, int destination, int variant,
               const IntArray& workElementState, bool normal)
        : run_(run), copy_(copy), destination_(destination), variant_(variant), states_(workElementState),
          normal_(normal), paths_(copy.columnCount())
    {
    }

    // Passes over the partial paths in order of creation; paths appended
    // during a pass are extended in the same pass, so the search is
    // breadth-first and the first complete path is a shortest one.
    SearchOutcome search(int source, IntArray& path, IntArray& marks)
    {
        if (!paths_.start(source))
            return SearchOutcome::OutOfStorage;
        for (bool extended = true; extended;) {
            extended = false;
            for (int p = 0; p < paths_.count(); ++p) {
                if (paths_.state(p) != PartialPaths::Open)
                    continue;
                extended = true;
                const SearchOutcome outcome = extend(p, path, marks);
                if (outcome != SearchOutcome::NotFound)
                    return outcome;
            }
        }
        return SearchOutcome::NotFound;
    }

private:
    SearchOutcome extend(int p, IntArray& path, IntArray& marks)
    {
        const std::vector<int> candidates = keptCandidates(p);
        paths_.setState(p, PartialPaths::Extended);
        for (int k : candidates) {
            const int next = paths_.copyOf(p);
            if (next < 0)
                return SearchOutcome::OutOfStorage;
            paths_.place(next, k, run_);
            if (k != destination_) {
                paths_.grow(next);
                continue;
            }
            paths_.setState(next, PartialPaths::Complete);
            return complete(next, path, marks) ? SearchOutcome::Found : SearchOutcome::OutOfStorage;
        }
        return SearchOutcome::NotFound;
    }

    // The elements the leaving arcs of the path's end enter, minus those the
    // behaviour or the variant prunes; the destination alone when it is one.
    std::vector<int> keptCandidates(int p)
    {
        const int end = paths_.end(p);
        const std::int8_t* arcs = copy_.row(end);
        const int last = copy_.lastColumn();
        std::vector<int> candidates;
        int marked = 0;
        for (int j = 0; j <= last; ++j) {
            if (arcs[j] != UsableArc)
                continue;
            ++marked;
            if (paths_.holds(p, j))
                continue; // the arc is blocked: it enters the path
            if (j == destination_)
                return {j};
            candidates.push_back(j);
        }
        if (marked == 0 && p > 0 && !anyArcIntoPath(p))
            ++run_.anomalies;
        if (variant_ == 1 && !candidates.empty())
            markCopyFor(p);
        std::vector<int> kept;
        for (int k : candidates)
            if (keep(k))
                kept.push_back(k);
        return kept;
    }

    bool keep(int k)
    {
        if (normal_ && states_.get(k) == -1)
            return false;
        if (variant_ != 1)
            return true;
        return timedIn(run_, kSearchSlot, kCandidateTestSlot, [&] {
            return reachesDestination(marked_, k, destination_, states_, normal_, true);
        });
    }

    bool anyArcIntoPath(int p) const
    {
        const std::int32_t* order = paths_.order(p);
        for (int pos = 0; pos < paths_.length(p); ++pos)
            for (int r = 0; r <= copy_.lastRow(); ++r)
                if (copy_.row(r)[order[pos]] > 0)
                    return true;
        return false;
    }

    // The marked working copy the candidate test reads: leaving arcs out of
    // the path's end, arcs into the path blocked.
    void markCopyFor(int p)
    {
        copy_.copyTo(marked_);
        markArcsFrom(marked_, paths_.end(p));
        const std::int32_t* order = paths_.order(p);
        for (int pos = 0; pos < paths_.length(p); ++pos)
            blockArcsInto(marked_, order[pos]);
    }

    bool complete(int p, IntArray& path, IntArray& marks)
    {
        const int count = paths_.length(p) + 1;
        if (!path.allocate(count))
            return false;
        const std::int32_t* order = paths_.order(p);
        for (int pos = 0; pos < count; ++pos) {
            path.set(pos, order[pos]);
            marks.set(order[pos], kUnusedOnPath);
        }
        return true;
    }

    AlgorithmRun& run_;
    const ByteMatrix& copy_;
    int destination_;
    int variant_;
    const IntArray& states_;
    bool normal_;
    PartialPaths paths_;
    ByteMatrix marked_;
};

// One NPR run: the tree, the decision numbers and the containers of an
// expansion (working copy, path, branch elements, path marks).
class NprTree {
public:
    NprTree(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
        : run_(run), ws_(ws), finalTerms_(finalTerms), tree_(ws.nprRows, ws.npr.feed, ws.npr.links),
          elements_(ws.workMatrix.columnCount()), source_(ws.workSourceIndex),
          destination_(ws.workDestinationIndex), normal_(run.normal())
    {
    }

    const SolutionTree& tree() const { return tree_; }

    bool plant()
    {
        finalTerms_.clear();
        DeltaRows& numbers = ws_.nprPaths;
        if (!tree_.plantRoot(elements_, source_) || !numbers.allocate(elements_ + 1, 1) || !marks_.allocate(elements_))
            return false;
        numbers.set(source_, 0, 1);
        numbers.set(elements_, 0, 2);
        return true;
    }

    bool expand(int row)
    {
        if (!ws_.workMatrix.copyTo(copy_))
            return false;
        branch_.clear();
        blockFailedElements(row);
        const bool found = timedIn(run_, kExecutionSlot, kSearchSlot, [&] {
            return findShortestPath(run_, copy_, path_, marks_, source_, destination_, run_.variant(),
                                    ws_.workElementState, normal_);
        });
        int branchable = 0;
        if (found && !collectBranchElements(row, branchable))
            return false;
        tree_.setState(row, expandedState(row));
        if (branch_.count() > 0 && !appendChildren(row, branchable + 1))
            return false;
        tree_.publish();
        return true;
    }

    std::int64_t workingSet() const
    {
        return ws_.workMatrix.byteSize() + finalTerms_.byteSize() + ws_.nprPaths.byteSize()
               + ws_.workElementState.byteSize() + tree_.rowsByteSize() + tree_.linksByteSize() + marks_.byteSize()
               + branch_.byteSize() + path_.byteSize() + copy_.byteSize();
    }

private:
    void blockFailedElements(int row)
    {
        for (int x = 0; x < elements_; ++x) {
            if (tree_.cell(x, row) != -1)
                continue;
            blockArcsInto(copy_, x);
            blockArcsOutOf(copy_, x);
        }
    }

    bool certain(int x) const { return normal_ && ws_.workElementState.get(x) == 1; }

    // The path's elements the row leaves open become the branch elements;
    // those that may fail are counted. An empty path is an inconsistency.
    bool collectBranchElements(int row, int& branchable)
    {
        if (path_.count() == 0)
            return false;
        for (int k = 0; k < path_.count(); ++k) {
            const int x = path_.get(k);
            if (tree_.cell(x, row) != 0) {
                marks_.set(x, kFixedByRow);
                continue;
            }
            if (!branch_.resize(branch_.count() + 1))
                return false;
            branch_.set(branch_.lastIndex(), x);
            if (ws_.workElementState.get(x) == 0 || !normal_)
                ++branchable;
        }
        return true;
    }

    std::int8_t expandedState(int row) const
    {
        if (tree_.cell(destination_, row) == 1)
            return SuccessLeaf;
        return reachesDestination(copy_, source_, destination_, ws_.workElementState, normal_, true) ? ExpandedRow
                                                                                                      : FailureLeaf;
    }

    bool appendChildren(int row, int count)
    {
        const int first = tree_.appendChildren(row, count);
        if (first < 0)
            return false;
        for (int child = first; child < first + count; ++child)
            if (!walkBranch(child, row))
                return false;
        return true;
    }

    // Fixes the branch elements of one child: working up to the first one not
    // yet used as a failing element, which fails. The marks are shared by the
    // children of one expansion, so each child fails the next element.
    bool walkBranch(int child, int parent)
    {
        std::int8_t* cells = tree_.childRow(child);
        std::vector<std::int32_t> numbers(static_cast<std::size_t>(elements_) + 1);
        ws_.nprPaths.readRow(parent, numbers.data());
        std::int32_t next = numbers[static_cast<std::size_t>(elements_)];
        // A child is a leaf as soon as its walk fixes the destination.
        std::int8_t state = OpenRow;
        for (int k = 0; k < branch_.count(); ++k) {
            const int x = branch_.get(k);
            const std::int32_t mark = marks_.get(x);
            std::int8_t value = 1;
            if (certain(x)) {
                marks_.set(x, kUsed);
            } else if (mark == kUnusedOnPath) {
                value = -1;
                marks_.set(x, kUsed);
            } else if (mark != kUsed) {
                continue;
            }
            fixElement(run_, cells, x, value);
            numbers[static_cast<std::size_t>(x)] = next++;
            state = x == destination_ ? value : std::int8_t{OpenRow};
            if (value == -1)
                break;
        }
        numbers[static_cast<std::size_t>(elements_)] = next;
        cells[elements_] = state;
        return ws_.nprPaths.appendRow(parent, numbers.data()) == child;
    }

    AlgorithmRun& run_;
    StructureWorkspace& ws_;
    TermRows& finalTerms_;
    SolutionTree tree_;
    int elements_;
    int source_;
    int destination_;
    bool normal_;
    ByteMatrix copy_;
    IntArray path_;
    IntArray branch_;
    IntArray marks_;
};

} // namespace

bool findShortestPath(AlgorithmRun& run, const ByteMatrix& copy, IntArray& path, IntArray& marks, int source,
                      int destination, int variant, const IntArray& workElementState, bool normal)
{
    const int last = copy.lastRow();
    if (copy.lastColumn() != last || source < 0 || source > last || destination < 0 || destination > last)
        return false;
    if (marks.count() < last + 1 && !marks.resize(last + 1))
        return false;
    PathSearch search(run, copy, destination, variant, workElementState, normal);
    const SearchOutcome outcome = search.search(source, path, marks);
    if (outcome == SearchOutcome::OutOfStorage) {
        // An empty path, which the driver takes for a failure.
        path.clear();
        return true;
    }
    return outcome == SearchOutcome::Found;
}

bool runNpr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    if (!beginTreeRun(run, ws))
        return abandonTreeRun(run);
    NprTree npr(run, ws, finalTerms);
    if (!npr.plant())
        return abandonTreeRun(run);
    const TreeRunEnd end = expandOpenRows(
        run, npr.tree(), [&](int row) { return npr.expand(row); }, [&] { return npr.workingSet(); });
    if (end == TreeRunEnd::Failed)
        return abandonTreeRun(run);
    return finishTreeRun(run, npr.tree(), finalTerms, end);
}

} // namespace velmor::reference
