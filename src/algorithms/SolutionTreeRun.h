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
class TreeRows {
public:
    TreeRows(ByteMatrix& rows, TermFeed& feed, IntArray& links);

    // The root: only the source works; its own parent is 0.
    bool plantRoot(int elementCount, int source);

    int lastRow() const { return rows_.lastRow(); }
    const std::int8_t* cells(int row) const { return rows_.row(row); }
    std::int8_t state(int row) const { return rows_.row(row)[stateColumn_]; }
    // Changes the state of a row that the coordinator may already read.
    void setState(int row, std::int8_t state) { writer_.setShared(stateColumn_, row, state); }

    // Appends `count` children of `parent`, each a copy of its element cells;
    // returns the first child's row, -1 when storage ran out.
    int appendChildren(int parent, int count);
    // A child's cells, to be written before publish().
    std::int8_t* childCells(int row) { return rows_.row(row); }
    void publish() { writer_.publishAll(); }
    // The rows below `rows` keep their states from now on.
    void settle(int rows) { writer_.settle(rows); }
    void settleAll() { writer_.settle(rows_.rowCount()); }

    const ByteMatrix& rows() const { return rows_; }
    std::int64_t rowsByteSize() const { return rows_.byteSize(); }
    std::int64_t linksByteSize() const { return links_.byteSize(); }

private:
    ByteMatrix& rows_;
    LiveTermWriter writer_;
    IntArray& links_;
    int stateColumn_ = 0;
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

enum class RunEnd { Finished, Stopped, Failed };

// Expands open rows pass after pass, in row order; children appended during a
// pass are visited in the same pass. Every expansion is closed by
// endIteration (done = the row expanded, total = the last row). Ends when a
// pass expands nothing, on a stop, or when `expand(row)` reports a failure.
// An expansion gives its row a final state, and the rows before it are
// leaves or expanded already: they are settled up to it.
template <typename Expand, typename Measure>
RunEnd expandOpenRows(AlgorithmRun& run, TreeRows& tree, Expand&& expand, Measure&& workingSet)
{
    for (bool expanded = true; expanded;) {
        expanded = false;
        for (int row = 0; row <= tree.lastRow(); ++row) {
            if (tree.state(row) != OpenRow)
                continue;
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
bool finishTreeRun(AlgorithmRun& run, TreeRows& tree, ByteMatrix& finalTerms, RunEnd end);

// Ends a run that failed: stops its slots and delivers nothing.
bool abandonTreeRun(AlgorithmRun& run);

using TreeDriver = bool (*)(AlgorithmRun&, StructureWorkspace&, ByteMatrix&);

// The whole run of a solution tree `Tree` (built from the run, the workspace,
// the final-term matrix and the adjacency lists; plant, expand(row),
// workingSet, tree). A matrix that is not square, or holds cells above 1, is
// outside what the adjacency lists express: `straightforward` copies and
// marks it cell by cell (and refuses the one that is not square).
template <typename Tree>
bool runTree(AlgorithmRun& run, StructureWorkspace& ws, ByteMatrix& finalTerms, TreeDriver straightforward)
{
    ElementArcs arcs;
    if (!arcs.build(ws.workMatrix))
        return straightforward(run, ws, finalTerms);
    if (!beginTreeRun(run, ws))
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
