#include "algorithms/reference/SolutionTree.h"

#include <cstring>

namespace velmor::reference {

SolutionTree::SolutionTree(ByteMatrix& rows, TermFeed& feed, IntArray& links)
    : rows_(rows), writer_(rows, feed), links_(links)
{
}

bool SolutionTree::plantRoot(int elementCount, int source)
{
    stateColumn_ = elementCount;
    if (!writer_.allocate(elementCount + 1, 1) || !links_.allocate(1))
        return false;
    rows_.set(source, 0, 1);
    writer_.publishAll();
    return true;
}

int SolutionTree::appendChildren(int parent, int count)
{
    const int first = rows_.rowCount();
    if (!writer_.appendRows(count) || !links_.resize(first + count))
        return -1;
    for (int child = first; child < first + count; ++child) {
        std::memcpy(rows_.row(child), rows_.row(parent), static_cast<std::size_t>(stateColumn_));
        links_.set(child, parent);
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

bool finishTreeRun(AlgorithmRun& run, const SolutionTree& tree, ByteMatrix& finalTerms, TreeRunEnd end)
{
    if (end == TreeRunEnd::Stopped)
        run.markStopped();
    const bool delivered = tree.rows().copyTo(finalTerms);
    if (delivered)
        keepSuccessRows(finalTerms);
    else
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

} // namespace velmor::reference
