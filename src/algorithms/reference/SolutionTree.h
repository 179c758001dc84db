#pragma once

// What NPR and ENR share: the rows and links of a solution tree, the passes
// that expand its open rows, and the start and end of a tree run.

#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>

namespace velmor::reference {

// The state every tree row keeps in its last column.
enum TreeRowState : std::int8_t {
    OpenRow = 0,
    SuccessLeaf = 1,
    FailureLeaf = -1,
    ExpandedRow = -2,
};

// Rows of a solution tree (element cells 0..n, then the row state) and the
// parent of every row. The coordinator reads the rows while they grow, so
// rows are added and changed only through the live writer: children are
// written completely before publish() makes them readable. The children of
// an expansion are written as cells of a byte each and stored when they are
// published.
class SolutionTree {
public:
    SolutionTree(TermRows& rows, TermFeed& feed, LinkArray& links);

    // The root: only the source works; its own parent is 0.
    bool plantRoot(int elementCount, int source);

    int lastRow() const { return rows_.lastRow(); }
    std::int8_t state(int row) const { return static_cast<std::int8_t>(rows_.get(stateColumn_, row)); }
    std::int8_t cell(int element, int row) const { return static_cast<std::int8_t>(rows_.get(element, row)); }
    // Changes the state of a row that the coordinator may already read.
    void setState(int row, std::int8_t state) { writer_.setShared(stateColumn_, row, state); }

    // Appends `count` open children of `parent`, each a copy of its element
    // cells; returns the first child's row, -1 when storage ran out.
    int appendChildren(int parent, int count);
    // A child's cells, to be written before publish().
    std::int8_t* childRow(int row) { return children_.row(row - firstChild_); }
    void publish();

    const TermRows& rows() const { return rows_; }
    std::int64_t rowsByteSize() const { return rows_.byteSize(); }
    std::int64_t linksByteSize() const { return links_.byteSize(); }

private:
    TermRows& rows_;
    LiveTermWriter writer_;
    LinkArray& links_;
    int stateColumn_ = 0;
    ByteMatrix children_; // the children not yet published
    int firstChild_ = 0;
};

// Fixes an element of a child row; fixing one that its parent had already
// fixed is an anomaly.
inline void fixElement(AlgorithmRun& run, std::int8_t* row, int element, std::int8_t value)
{
    if (row[element] != 0)
        ++run.anomalies;
    row[element] = value;
}

// Runs `work` in stopwatch slot `inner` while the phase slot `outer` pauses.
template <typename Work>
auto timedIn(AlgorithmRun& run, int outer, int inner, Work&& work)
{
    run.stopSlot(outer);
    run.startSlot(inner);
    auto result = work();
    run.stopSlot(inner);
    run.startSlot(outer);
    return result;
}

// Starts the whole-run and execution slots, zeroes the iteration count and
// tells whether the work structure is usable: a square matrix with both
// terminals inside it.
bool beginTreeRun(AlgorithmRun& run, const StructureWorkspace& ws);

enum class TreeRunEnd { Finished, Stopped, Failed };

// Expands open rows pass after pass, in row order; children appended during a
// pass are visited in the same pass. Every expansion is closed by
// endIteration (done = the row expanded, total = the last row). Ends when a
// pass expands nothing, on a stop, or when `expand(row)` reports an
// inconsistency (false).
template <typename Expand, typename Measure>
TreeRunEnd expandOpenRows(AlgorithmRun& run, const SolutionTree& tree, Expand&& expand, Measure&& workingSet)
{
    for (bool expanded = true; expanded;) {
        expanded = false;
        for (int row = 0; row <= tree.lastRow(); ++row) {
            if (tree.state(row) != OpenRow)
                continue;
            if (!expand(row))
                return TreeRunEnd::Failed;
            expanded = true;
            if (run.endIteration(workingSet(), row, tree.lastRow()))
                return TreeRunEnd::Stopped;
        }
        if (expanded && run.checkPoint())
            return TreeRunEnd::Stopped;
    }
    return TreeRunEnd::Finished;
}

// Ends a tree run that got through: a stopped run is marked, the success rows
// become the final terms, the execution and whole-run slots stop and the
// result code is stored. False only when the final terms could not be stored.
bool finishTreeRun(AlgorithmRun& run, const SolutionTree& tree, TermRows& finalTerms, TreeRunEnd end);

// Ends a run that failed: stops its slots and delivers nothing.
bool abandonTreeRun(AlgorithmRun& run);

} // namespace velmor::reference
