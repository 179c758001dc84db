#pragma once

// What NPR and ENR share: the rows and links of a solution tree, the passes
// that expand its open rows, and the start and end of a tree run.

#include "algorithms/ElementArcs.h"
#include "algorithms/RunFrame.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>

namespace velmor::trees {

// The state every tree row keeps in its last column.
enum RowState : std::int8_t {
    OpenRow = 0,
    SuccessLeaf = 1,
    FailureLeaf = -1,
    ExpandedRow = -2,
};

// Rows of a solution tree (element cells, then the row state) and the parent
// of every row. The coordinator reads the rows while they grow: children are
// appended in one batch per expansion through the live writer and become
// readable only when publish() is called after they are completely written;
// it reads no further than the rows settled, whose states are final.
//
// A row's cells are packed two bits each (TermRows); cellAt and the word
// masks of termcells read them.
class TreeRows {
public:
    TreeRows(TermRows& rows, TermFeed& feed, LinkArray& links);

    // The root: only the source works; its own parent is 0.
    bool plantRoot(int elementCount, int source);

    int lastRow() const { return rows_.lastRow(); }
    int elementCount() const { return stateColumn_; }
    const std::uint8_t* cells(int row) const { return rows_.row(row); }
    int rowBytes() const { return rows_.rowBytes(); }
    int state(int row) const { return termcells::cellAt(rows_.row(row), stateColumn_); }
    // Changes the state of a row that the coordinator may already read.
    void setState(int row, int state) { writer_.setShared(stateColumn_, row, state); }

    // Appends `count` children of `parent`, each a copy of its element cells
    // with the state open; returns the first child's row, -1 when storage
    // ran out.
    int appendChildren(int parent, int count);
    // A child's cells, to be written before publish().
    std::uint8_t* childCells(int row) { return rows_.row(row); }
    void setChildState(std::uint8_t* cells, int state) { termcells::putCell(cells, stateColumn_, state); }
    void publish() { writer_.publishAll(); }
    // The rows below `rows` keep their states from now on.
    void settle(int rows) { writer_.settle(rows); }
    void settleAll() { writer_.settle(rows_.rowCount()); }

    const TermRows& rows() const { return rows_; }
    std::int64_t rowsByteSize() const { return rows_.byteSize(); }
    std::int64_t linksByteSize() const { return links_.byteSize(); }

private:
    TermRows& rows_;
    LiveTermWriter writer_;
    LinkArray& links_;
    int stateColumn_ = 0;
};

// Fixes an element of a child row; fixing one that its parent had already
// fixed is an anomaly.
inline void fixElement(AlgorithmRun& run, std::uint8_t* row, int element, int value)
{
    if (termcells::codeAt(row, element) != termcells::kZero)
        ++run.anomalies;
    termcells::putCell(row, element, value);
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

enum class RunEnd { Finished, Stopped, Failed };

// The most rows a tree holds: its rows are numbered by int. Tests lower the
// bound to reach it without billions of rows; 0 restores it.
int mostTreeRows();
void setMostTreeRowsForTesting(int rows);

// Whether the children of one more expansion still fit under the row
// bound. One expansion appends at most a certain child and one child per
// element besides.
inline bool roomForExpansion(const TreeRows& tree)
{
    const std::int64_t mostChildren = 2 * (static_cast<std::int64_t>(tree.elementCount()) + 1);
    return tree.lastRow() + 1 + mostChildren <= mostTreeRows();
}

// Expands open rows pass after pass, in row order; children appended during a
// pass are visited in the same pass. Every expansion is closed by
// endIteration (done = the row expanded, total = the last row). Ends when a
// pass expands nothing, on a stop, or when `expand(row)` reports a failure.
// An expansion gives its row a final state, and the rows before it are
// leaves or expanded already: they are settled up to it. A tree that would
// outgrow its row numbers ends as a limited run does, with what it holds,
// before the row is touched.
template <typename Expand, typename Measure>
RunEnd expandOpenRows(AlgorithmRun& run, TreeRows& tree, Expand&& expand, Measure&& workingSet)
{
    for (bool expanded = true; expanded;) {
        expanded = false;
        for (int row = 0; row <= tree.lastRow(); ++row) {
            if (tree.state(row) != OpenRow)
                continue;
            if (!roomForExpansion(tree)) {
                run.cells().requestStop();
                return RunEnd::Stopped;
            }
            if (!expand(row))
                return RunEnd::Failed;
            expanded = true;
            tree.settle(row + 1);
            if (run.endIteration(workingSet(), row, tree.lastRow()))
                return RunEnd::Stopped;
        }
        if (expanded && run.checkPoint())
            return RunEnd::Stopped;
    }
    return RunEnd::Finished;
}

// Ends a tree run that got through: every row is settled, a stopped run is
// marked, the success rows become the final terms, the execution and
// whole-run slots stop and the result code is stored. False only when the
// final terms could not be stored.
bool finishTreeRun(AlgorithmRun& run, TreeRows& tree, TermRows& finalTerms, RunEnd end);

// Ends a run that failed: stops its slots and delivers nothing.
bool abandonTreeRun(AlgorithmRun& run);

// The whole run of a solution tree `Tree` (built from the run, the workspace,
// the final-term matrix and the adjacency lists; plant, expand(row),
// workingSet, tree). A work structure the lists cannot express is refused
// as unusable (see ElementArcs::build).
template <typename Tree>
bool runTree(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    ElementArcs arcs;
    if (!beginTreeRun(run, ws) || !arcs.build(ws.workMatrix))
        return abandonTreeRun(run);
    Tree tree(run, ws, finalTerms, arcs);
    if (!tree.plant())
        return abandonTreeRun(run);
    const RunEnd end = expandOpenRows(
        run, tree.tree(), [&](int row) { return tree.expand(row); }, [&] { return tree.workingSet(); });
    if (end == RunEnd::Failed)
        return abandonTreeRun(run);
    return finishTreeRun(run, tree.tree(), finalTerms, end);
}

} // namespace velmor::trees
