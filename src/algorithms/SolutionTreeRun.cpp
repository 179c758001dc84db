#include "algorithms/SolutionTreeRun.h"

#include <atomic>
#include <cstring>
#include <limits>

namespace velmor::trees {

namespace {

std::atomic<int> treeRowBound{0};

} // namespace

int mostTreeRows()
{
    const int bound = treeRowBound.load(std::memory_order_relaxed);
    return bound > 0 ? bound : std::numeric_limits<int>::max();
}

void setMostTreeRowsForTesting(int rows)
{
    treeRowBound.store(rows, std::memory_order_relaxed);
}

TreeRows::TreeRows(TermRows& rows, TermFeed& feed, LinkArray& links) : rows_(rows), writer_(rows, feed), links_(links)
{
}

bool TreeRows::plantRoot(int elementCount, int source)
{
    stateColumn_ = elementCount;
    if (!writer_.allocate(elementCount + 1, 1) || !links_.allocate(1))
        return false;
    rows_.set(source, 0, 1);
    writer_.settle(0);
    writer_.publishAll();
    return true;
}

int TreeRows::appendChildren(int parent, int count)
{
    const int first = rows_.rowCount();
    // Every byte of the children is written here.
    if (!writer_.appendRowsUncleared(count))
        return -1;
    links_.append(parent, count);
    const std::uint8_t* from = rows_.row(parent);
    const auto bytes = static_cast<std::size_t>(rows_.rowBytes());
    for (int child = first; child < first + count; ++child) {
        std::uint8_t* cells = rows_.row(child);
        std::memcpy(cells, from, bytes);
        termcells::putCode(cells, stateColumn_, termcells::kZero);
    }
    return first;
}

bool beginTreeRun(AlgorithmRun& run, const StructureWorkspace& ws)
{
    run.startSlot(0);
    run.startSlot(run.executionSlot());
    const ByteMatrix& matrix = ws.workMatrix;
    const int last = matrix.lastRow();
    auto inside = [last](int index) { return index >= 0 && index <= last; };
    if (matrix.lastColumn() != last || !inside(ws.workSourceIndex) || !inside(ws.workDestinationIndex))
        return false;
    run.cells().iterations.store(0);
    return true;
}

namespace {

// The success rows of the tree over the element columns, in row order; an
// empty matrix when there is none. False when storage ran out.
bool storeSuccessRows(const TermRows& rows, TermRows& terms)
{
    const int stateColumn = rows.lastColumn();
    auto success = [&](int r) { return termcells::cellAt(rows.row(r), stateColumn) == SuccessLeaf; };
    int kept = 0;
    for (int r = 0; r <= rows.lastRow(); ++r)
        if (success(r))
            ++kept;
    terms.clear();
    if (kept == 0)
        return true;
    if (!terms.allocate(stateColumn, kept))
        return false;
    // The element cells lie where they lay; the state, if it shares their
    // last byte, is cleared.
    const auto bytes = static_cast<std::size_t>(terms.rowBytes());
    int out = 0;
    for (int r = 0; r <= rows.lastRow(); ++r) {
        if (!success(r))
            continue;
        std::uint8_t* cells = terms.row(out++);
        std::memcpy(cells, rows.row(r), bytes);
        if ((stateColumn & 3) != 0)
            termcells::clearFrom(cells, stateColumn);
    }
    return true;
}

} // namespace

bool finishTreeRun(AlgorithmRun& run, TreeRows& tree, TermRows& finalTerms, RunEnd end)
{
    tree.settleAll();
    if (end == RunEnd::Stopped)
        run.markStopped();
    const bool delivered = storeSuccessRows(tree.rows(), finalTerms);
    if (!delivered)
        finalTerms.clear();
    run.stopSlot(run.executionSlot());
    run.stopSlot(0);
    run.storeResultCode();
    return delivered;
}

bool abandonTreeRun(AlgorithmRun& run)
{
    run.stopSlot(run.executionSlot());
    run.stopSlot(0);
    return false;
}

} // namespace velmor::trees
