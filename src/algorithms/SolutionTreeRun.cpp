#include "algorithms/SolutionTreeRun.h"

#include <cstring>

namespace velmor::trees {

TreeRows::TreeRows(ByteMatrix& rows, TermFeed& feed, IntArray& links) : rows_(rows), writer_(rows, feed), links_(links)
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
    if (!writer_.appendRows(count) || !links_.resize(first + count))
        return -1;
    const std::int8_t* from = rows_.row(parent);
    std::int32_t* links = links_.data();
    for (int child = first; child < first + count; ++child) {
        std::memcpy(rows_.row(child), from, static_cast<std::size_t>(stateColumn_));
        links[child] = parent;
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
bool storeSuccessRows(const ByteMatrix& rows, ByteMatrix& terms)
{
    const int stateColumn = rows.lastColumn();
    int kept = 0;
    for (int r = 0; r <= rows.lastRow(); ++r)
        if (rows.row(r)[stateColumn] == SuccessLeaf)
            ++kept;
    terms.clear();
    if (kept == 0)
        return true;
    if (!terms.allocate(stateColumn, kept))
        return false;
    int out = 0;
    for (int r = 0; r <= rows.lastRow(); ++r)
        if (rows.row(r)[stateColumn] == SuccessLeaf)
            std::memcpy(terms.row(out++), rows.row(r), static_cast<std::size_t>(stateColumn));
    return true;
}

} // namespace

bool finishTreeRun(AlgorithmRun& run, TreeRows& tree, ByteMatrix& finalTerms, RunEnd end)
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
