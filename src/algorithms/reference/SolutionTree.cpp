#include "algorithms/reference/SolutionTree.h"

#include <cstring>

namespace velmor::reference {

SolutionTree::SolutionTree(TermRows& rows, TermFeed& feed, LinkArray& links)
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
    children_.clear();
    if (!writer_.appendRows(count) || !children_.allocate(stateColumn_ + 1, count))
        return -1;
    firstChild_ = first;
    for (int child = first; child < first + count; ++child) {
        for (int c = 0; c < stateColumn_; ++c)
            children_.set(c, child - first, static_cast<std::int8_t>(rows_.get(c, parent)));
        links_.append(parent);
    }
    return first;
}

void SolutionTree::publish()
{
    for (int r = 0; r <= children_.lastRow(); ++r)
        rows_.writeRow(firstChild_ + r, children_.row(r));
    children_.clear();
    writer_.publishAll();
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

bool finishTreeRun(AlgorithmRun& run, const SolutionTree& tree, TermRows& finalTerms, TreeRunEnd end)
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
