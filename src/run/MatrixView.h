#pragma once

#include <string>
#include <vector>

namespace velmor {

class StructureWorkspace;

// Which incidence matrix the matrix window shows, after the main window's
// direction buttons.
enum class ShownMatrix { Directed, Undirected, None };

// The matrix window's grid as text: column 0 and row 0 are the headers,
// grid column c + 1 and grid row r + 1 stand for element index c and r.
struct MatrixTable {
    int columns = 0;
    int rows = 0;
    std::vector<std::string> cells; // row by row

    const std::string& cell(int column, int row) const
    {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column)];
    }
    std::string& cell(int column, int row)
    {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column)];
    }
};

// The table of the shown matrix: corner "Usmj" or "Neus", element headers
// ("N", "e" or "?" and the label, with "*" before those that the last run's
// reduction removed while results are present), and "  -", "  X" or the value.
MatrixTable buildMatrixTable(const StructureWorkspace& ws, ShownMatrix shown, bool resultsPresent);

enum class MatrixToggle {
    None,    // a diagonal, header or same-kind cell: nothing changes
    Refill,  // a cell that is neither 0 nor 1: nothing changes, the table is filled again
    Toggled, // the connection was switched in both matrices
};

// A double-click on grid cell (column, row): switches the connection from
// the row element to the column element between 0 and 1, in the directed
// matrix in that direction only and in the undirected matrix both ways.
MatrixToggle toggleMatrixCell(StructureWorkspace& ws, ShownMatrix shown, int column, int row);

} // namespace velmor
