#include "run/MatrixView.h"

#include "structure/StructureWorkspace.h"

namespace velmor {

namespace {

const ByteMatrix* shownMatrix(const StructureWorkspace& ws, ShownMatrix shown)
{
    switch (shown) {
    case ShownMatrix::Directed: return &ws.directedMatrix;
    case ShownMatrix::Undirected: return &ws.undirectedMatrix;
    case ShownMatrix::None: break;
    }
    return nullptr;
}

// Which elements the work structure of the last run kept.
std::vector<bool> keptElements(const StructureWorkspace& ws, int count)
{
    std::vector<bool> kept(static_cast<std::size_t>(count > 0 ? count : 0), false);
    for (int i = 0; i <= ws.elementMap.lastIndex(); ++i) {
        const int element = ws.elementMap.get(i);
        if (element >= 0 && element < count)
            kept[static_cast<std::size_t>(element)] = true;
    }
    return kept;
}

std::string cellText(int value)
{
    if (value == 0)
        return "  -";
    if (value == 1)
        return "  X";
    return "  " + std::to_string(value);
}

} // namespace

MatrixTable buildMatrixTable(const StructureWorkspace& ws, ShownMatrix shown, bool resultsPresent)
{
    static const ByteMatrix empty;
    const ByteMatrix* matrix = shownMatrix(ws, shown);
    if (!matrix)
        matrix = &empty;

    MatrixTable table;
    table.columns = matrix->lastColumn() + 2;
    table.rows = matrix->lastRow() + 2;
    table.cells.assign(static_cast<std::size_t>(table.columns) * static_cast<std::size_t>(table.rows), std::string());
    table.cell(0, 0) = shown == ShownMatrix::Directed ? "Usmj" : shown == ShownMatrix::Undirected ? "Neus" : "";

    const std::vector<bool> kept = keptElements(ws, matrix->lastColumn() + 1);
    for (int i = 0; i <= matrix->lastColumn(); ++i) {
        // The element list is read without its cursor: other threads may be
        // positioning it.
        const ElementEntry* entry = ws.elements.entryAt(i);
        std::string header = resultsPresent && !kept[static_cast<std::size_t>(i)] ? "*" : "";
        if (!entry)
            header += "?";
        else
            header += (entry->kind == NodeKind ? "N" : entry->kind == EdgeKind ? "e" : "?") + std::to_string(entry->label);
        table.cell(i + 1, 0) = header;
        if (i + 1 < table.rows)
            table.cell(0, i + 1) = header;
        for (int r = 0; r <= matrix->lastRow(); ++r)
            table.cell(i + 1, r + 1) = cellText(matrix->get(i, r));
    }
    return table;
}

MatrixToggle toggleMatrixCell(StructureWorkspace& ws, ShownMatrix shown, int column, int row)
{
    if (column == row || column <= 0 || row <= 0)
        return MatrixToggle::None;
    const int a = column - 1; // the element entered
    const int b = row - 1;    // the element left
    const ElementEntry* to = ws.elements.entryAt(a);
    const ElementEntry* from = ws.elements.entryAt(b);
    if (!to || !from || to->kind == from->kind)
        return MatrixToggle::None;
    const ByteMatrix* matrix = shownMatrix(ws, shown);
    const int value = matrix ? matrix->get(a, b) : 0;
    if (!matrix || a > matrix->lastColumn() || b > matrix->lastRow() || (value != 0 && value != 1))
        return MatrixToggle::Refill;
    const std::int8_t next = value == 0 ? 1 : 0;
    ws.directedMatrix.set(a, b, next);
    ws.undirectedMatrix.set(a, b, next);
    ws.undirectedMatrix.set(b, a, next);
    return MatrixToggle::Toggled;
}

} // namespace velmor
