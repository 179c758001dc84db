#include "algorithms/WorkStructure.h"

#include "algorithms/Reduction.h"

namespace velmor {

bool prepareWorkStructure(StructureWorkspace& ws, const RunOptions& options)
{
    const ByteMatrix& incidence =
        options.direction == Direction::Undirected ? ws.undirectedMatrix : ws.directedMatrix;
    if (!incidence.copyTo(ws.workMatrix))
        return false;
    return mapWorkStructure(ws, options, ws.sourceIndex, ws.destinationIndex);
}

bool mapWorkStructure(StructureWorkspace& ws, const RunOptions& options, int source, int destination)
{
    ws.workSourceIndex = source;
    ws.workDestinationIndex = destination;
    if (options.reduction) {
        if (!reduceStructure(ws.workSourceIndex, ws.workDestinationIndex, ws.workMatrix, ws.elementMap))
            return false;
    } else if (ws.workMatrix.columnCount() > 0) {
        ws.elementMap.resize(ws.workMatrix.columnCount());
        for (int i = 0; i <= ws.elementMap.lastIndex(); ++i)
            ws.elementMap.set(i, i);
    }
    if (ws.elementMap.count() > 0) {
        ws.workElementState.resize(ws.elementMap.count());
        for (int i = 0; i <= ws.elementMap.lastIndex(); ++i)
            ws.workElementState.set(i, ws.elementState.get(ws.elementMap.get(i)));
        // Ideal terminals always work: a terminal of availability 0 must not
        // be treated as a failed element, which would lose every path that
        // the evaluation then counts as working. Such a terminal is handled
        // like any uncertain element; the evaluation gives it availability 1.
        if (options.idealTerminals) {
            for (int terminal : {ws.workSourceIndex, ws.workDestinationIndex})
                if (ws.workElementState.get(terminal) == -1)
                    ws.workElementState.set(terminal, 0);
        }
    }
    return true;
}

} // namespace velmor
