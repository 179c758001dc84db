#include "algorithms/reference/Enr.h"

#include "algorithms/RunFrame.h"
#include "algorithms/reference/SolutionTree.h"
#include "structure/StructureWorkspace.h"

#include <algorithm>

namespace velmor::reference {

namespace {

// ENR's stopwatch slots.
constexpr int kExecutionSlot = 2;
constexpr int kNeighbourTestSlot = 1;

// Frontier marks.
constexpr std::int32_t kNotCandidate = 0;
constexpr std::int32_t kCandidate = 1; // not yet the working element of a child
constexpr std::int32_t kUsed = -1;     // worked in an earlier child

// One ENR run: the tree and the containers of an expansion (working copy,
// frontier marks, certain neighbours).
class EnrTree {
public:
    EnrTree(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
        : run_(run), ws_(ws), finalTerms_(finalTerms), tree_(ws.enrRows, ws.enr.feed, ws.enr.links),
          elements_(ws.workMatrix.columnCount()), destination_(ws.workDestinationIndex),
          variant_(run.variant()), normal_(run.normal())
    {
    }

    const SolutionTree& tree() const { return tree_; }

    bool plant()
    {
        return tree_.plantRoot(elements_, ws_.workSourceIndex) && finalTerms_.allocate(elements_, 1)
               && frontier_.allocate(elements_) && certain_.allocate(elements_);
    }

    bool expand(int row)
    {
        if (!ws_.workMatrix.copyTo(copy_))
            return false;
        std::fill_n(frontier_.data(), elements_, kNotCandidate);
        std::fill_n(certain_.data(), elements_, 0);
        markWorkingSet(row);
        collectFrontier();
        bool certainFound = false;
        const int count = selectCandidates(certainFound);
        tree_.setState(row, tree_.cell(destination_, row) == 1 ? SuccessLeaf : ExpandedRow);
        if (certainFound) {
            if (!appendCertainChild(row))
                return false;
        } else if (count > 0 && !appendCandidateChildren(row, count)) {
            return false;
        }
        tree_.publish();
        return true;
    }

    std::int64_t workingSet() const
    {
        return ws_.workMatrix.byteSize() + finalTerms_.byteSize() + ws_.workElementState.byteSize()
               + tree_.rowsByteSize() + tree_.linksByteSize() + frontier_.byteSize() + certain_.byteSize()
               + copy_.byteSize();
    }

private:
    // Arcs from working elements to open ones become leaving arcs; arcs into
    // working elements and arcs touching failed ones are blocked.
    void markWorkingSet(int row)
    {
        for (int j = 0; j < elements_; ++j) {
            const std::int8_t state = tree_.cell(j, row);
            if (state == 1) {
                markArcsFrom(copy_, j);
                blockArcsInto(copy_, j);
            } else if (state == -1) {
                blockArcsInto(copy_, j);
                blockArcsOutOf(copy_, j);
            }
        }
    }

    void collectFrontier()
    {
        for (int r = 0; r < elements_; ++r) {
            const std::int8_t* arcs = copy_.row(r);
            for (int k = 0; k < elements_; ++k)
                if (arcs[k] == LeavingArc)
                    frontier_.set(k, kCandidate);
        }
    }

    // Leaves in the frontier marks the candidates to branch on and returns
    // their count. The destination is branched on alone. Under "normalno"
    // elements of state -1 are dropped and those of state 1 become certain
    // neighbours, after which no other element is tested or counted.
    int selectCandidates(bool& certainFound)
    {
        if (frontier_.get(destination_) == kCandidate) {
            std::fill_n(frontier_.data(), elements_, kNotCandidate);
            frontier_.set(destination_, kCandidate);
            return 1;
        }
        int count = 0;
        for (int k = 0; k < elements_; ++k) {
            if (frontier_.get(k) != kCandidate)
                continue;
            const std::int32_t state = ws_.workElementState.get(k);
            if (normal_ && state != 0) {
                frontier_.set(k, kNotCandidate);
                if (state == 1) {
                    certain_.set(k, 1);
                    certainFound = true;
                }
            } else if (!certainFound) {
                if (leadsOn(k))
                    ++count;
                else
                    frontier_.set(k, kNotCandidate);
            }
        }
        return count;
    }

    // Whether a candidate is worth branching on: always in "Standardno",
    // otherwise when the destination can still be reached from it.
    bool leadsOn(int k)
    {
        if (variant_ != 1 && variant_ != 2)
            return true;
        return timedIn(run_, kExecutionSlot, kNeighbourTestSlot, [&] {
            return reachesDestination(copy_, k, destination_, ws_.workElementState, normal_, variant_ == 2);
        });
    }

    // All certain neighbours work at once, in a single child.
    bool appendCertainChild(int row)
    {
        const int child = tree_.appendChildren(row, 1);
        if (child < 0)
            return false;
        std::int8_t* cells = tree_.childRow(child);
        for (int k = 0; k < elements_; ++k)
            if (certain_.get(k) == 1)
                fixElement(run_, cells, k, 1);
        cells[elements_] = cells[destination_] == 1 ? SuccessLeaf : OpenRow;
        return true;
    }

    // Child r fails the first r-1 candidates and makes the r-th work; the
    // last child fails them all.
    bool appendCandidateChildren(int row, int count)
    {
        const int first = tree_.appendChildren(row, count + 1);
        if (first < 0)
            return false;
        for (int child = first; child <= first + count; ++child)
            walkFrontier(tree_.childRow(child));
        return true;
    }

    void walkFrontier(std::int8_t* cells)
    {
        for (int k = 0; k < elements_; ++k) {
            const std::int32_t mark = frontier_.get(k);
            if (mark == kUsed) {
                fixElement(run_, cells, k, -1);
            } else if (mark == kCandidate) {
                fixElement(run_, cells, k, 1);
                frontier_.set(k, kUsed);
                cells[elements_] = k == destination_ ? SuccessLeaf : OpenRow;
                return;
            }
        }
        cells[elements_] = FailureLeaf;
    }

    AlgorithmRun& run_;
    StructureWorkspace& ws_;
    TermRows& finalTerms_;
    SolutionTree tree_;
    int elements_;
    int destination_;
    int variant_;
    bool normal_;
    ByteMatrix copy_;
    IntArray frontier_;
    IntArray certain_;
};

} // namespace

bool runEnr(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    if (!beginTreeRun(run, ws))
        return abandonTreeRun(run);
    EnrTree enr(run, ws, finalTerms);
    if (!enr.plant())
        return abandonTreeRun(run);
    const TreeRunEnd end = expandOpenRows(
        run, enr.tree(), [&](int row) { return enr.expand(row); }, [&] { return enr.workingSet(); });
    if (end == TreeRunEnd::Failed)
        return abandonTreeRun(run);
    return finishTreeRun(run, enr.tree(), finalTerms, end);
}

} // namespace velmor::reference
