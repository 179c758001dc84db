#include "algorithms/Frontier.h"

namespace velmor {

FrontierInput frontierInput(const StructureWorkspace& ws, bool idealTerminals)
{
    FrontierInput input;
    const ByteMatrix& matrix = ws.workMatrix;
    const int n = matrix.rowCount();
    if (matrix.columnCount() != n) {
        input.refusal = FrontierRefusal::NotSquare;
        return input;
    }
    // A cell above 1 means something different to each of the other
    // algorithms (an arc already leaving the path, or nothing), so there is
    // no availability to agree with: such a matrix is refused.
    if (!input.arcs.build(matrix)) {
        input.refusal = FrontierRefusal::CellAboveOne;
        return input;
    }
    auto inside = [n](int index) { return index >= 0 && index < n; };
    if (!inside(ws.workSourceIndex) || !inside(ws.workDestinationIndex)) {
        input.refusal = FrontierRefusal::TerminalOutside;
        return input;
    }
    input.source = ws.workSourceIndex;
    input.destination = ws.workDestinationIndex;
    input.availability.resize(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        // Looked up as the evaluation of terms looks it up.
        const ElementEntry* entry = ws.elements.entryAt(ws.elementMap.get(j));
        if (!entry) {
            input.refusal = FrontierRefusal::MissingElement;
            input.availability.clear();
            return input;
        }
        const bool terminal = j == input.source || j == input.destination;
        input.availability[static_cast<std::size_t>(j)] = idealTerminals && terminal ? 1 : entry->availability;
    }
    return input;
}

} // namespace velmor
