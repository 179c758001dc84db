// The matrix window's table and its double-click toggle, without widgets.

#include "ControllerFixture.h"

#include "run/MatrixView.h"

using namespace velmor;
using namespace velmor::testing;

namespace {

using Row = std::vector<std::string>;

Row tableRow(const MatrixTable& table, int row)
{
    Row cells;
    for (int c = 0; c < table.columns; ++c)
        cells.push_back(table.cell(c, row));
    return cells;
}

class ExampleMatrix : public ControllerTest {
protected:
    void SetUp() override { load(std::string(VELMOR_EXAMPLES_DIR "/primjer.dsm")); }
    StructureWorkspace& ws() { return controller.workspace(); }
};

} // namespace

TEST_F(ExampleMatrix, DirectedTableShowsHeadersAndConnections)
{
    const MatrixTable table = buildMatrixTable(ws(), ShownMatrix::Directed, false);
    ASSERT_EQ(table.columns, 7);
    ASSERT_EQ(table.rows, 7);
    EXPECT_EQ(tableRow(table, 0), (Row{"Usmj", "N1", "N2", "N3", "e4", "e5", "e6"}));
    // Rows: from; columns: to. Edge 4 leads from N1 to N2, 5 from N2 to N3, 6 from N1 to N3.
    EXPECT_EQ(tableRow(table, 1), (Row{"N1", "  -", "  -", "  -", "  X", "  -", "  X"}));
    EXPECT_EQ(tableRow(table, 4), (Row{"e4", "  -", "  X", "  -", "  -", "  -", "  -"}));
    EXPECT_EQ(tableRow(table, 6), (Row{"e6", "  -", "  -", "  X", "  -", "  -", "  -"}));
}

TEST_F(ExampleMatrix, UndirectedTableIsSymmetric)
{
    const MatrixTable table = buildMatrixTable(ws(), ShownMatrix::Undirected, false);
    EXPECT_EQ(table.cell(0, 0), "Neus");
    for (int r = 1; r < table.rows; ++r)
        for (int c = 1; c < table.columns; ++c)
            EXPECT_EQ(table.cell(c, r), table.cell(r, c)) << r << "," << c;
    EXPECT_EQ(table.cell(4, 1), "  X");
    EXPECT_EQ(table.cell(1, 4), "  X");

    // Neither direction chosen: only the corner cell.
    const MatrixTable none = buildMatrixTable(ws(), ShownMatrix::None, false);
    EXPECT_EQ(none.columns, 1);
    EXPECT_EQ(none.rows, 1);
}

TEST_F(ExampleMatrix, DoubleClickTogglesBothMatricesAndSkipsTheNoOps)
{
    // Grid column 4 (e4), grid row 1 (N1).
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 4, 1), MatrixToggle::Toggled);
    EXPECT_EQ(ws().directedMatrix.get(3, 0), 0);
    EXPECT_EQ(ws().undirectedMatrix.get(3, 0), 0);
    EXPECT_EQ(ws().undirectedMatrix.get(0, 3), 0);
    EXPECT_EQ(ws().directedMatrix.get(0, 3), 0); // the other direction was not a connection
    EXPECT_EQ(buildMatrixTable(ws(), ShownMatrix::Directed, false).cell(4, 1), "  -");
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 4, 1), MatrixToggle::Toggled);
    EXPECT_EQ(ws().directedMatrix.get(3, 0), 1);
    EXPECT_EQ(ws().undirectedMatrix.get(3, 0), 1);
    EXPECT_EQ(ws().undirectedMatrix.get(0, 3), 1);

    // Shown undirected: the directed matrix changes in the clicked direction only.
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Undirected, 1, 5), MatrixToggle::Toggled); // row e5, column N1
    EXPECT_EQ(ws().directedMatrix.get(0, 4), 1);
    EXPECT_EQ(ws().directedMatrix.get(4, 0), 0);
    EXPECT_EQ(ws().undirectedMatrix.get(0, 4), 1);
    EXPECT_EQ(ws().undirectedMatrix.get(4, 0), 1);

    // Diagonal, headers, node with node, edge with edge: nothing.
    const std::vector<std::vector<int>> before = [&] {
        std::vector<std::vector<int>> cells;
        for (const ByteMatrix* m : {&ws().directedMatrix, &ws().undirectedMatrix})
            for (int r = 0; r <= m->lastRow(); ++r)
                for (int c = 0; c <= m->lastColumn(); ++c)
                    cells.push_back({m->get(c, r)});
        return cells;
    }();
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 3, 3), MatrixToggle::None);
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 0, 2), MatrixToggle::None);
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 2, 0), MatrixToggle::None);
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 2, 1), MatrixToggle::None);
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 5, 4), MatrixToggle::None);
    std::vector<std::vector<int>> after;
    for (const ByteMatrix* m : {&ws().directedMatrix, &ws().undirectedMatrix})
        for (int r = 0; r <= m->lastRow(); ++r)
            for (int c = 0; c <= m->lastColumn(); ++c)
                after.push_back({m->get(c, r)});
    EXPECT_EQ(after, before);

    // A cell that is neither 0 nor 1 is shown as its value and left alone.
    ws().directedMatrix.set(5, 0, 2);
    EXPECT_EQ(buildMatrixTable(ws(), ShownMatrix::Directed, false).cell(6, 1), "  2");
    EXPECT_EQ(toggleMatrixCell(ws(), ShownMatrix::Directed, 6, 1), MatrixToggle::Refill);
    EXPECT_EQ(ws().directedMatrix.get(5, 0), 2);
}

TEST_F(ControllerTest, ElementsRemovedByTheReductionAreMarkedWhileResultsArePresent)
{
    // Node 7 and edge 6 lead nowhere: the reduction removes them.
    StructurePlan plan;
    plan.nodes = {{1, 0.9L}, {2, 0.9L}, {3, 0.9L}, {7, 0.9L}};
    plan.edges = {{4, 1, 2, 0.9L}, {5, 2, 3, 0.9L}, {6, 2, 7, 0.9L}};
    plan.source = 1;
    plan.destination = 3;
    load(plan, true);
    chooseAlgorithms(false, true, false);
    runToEnd();
    ASSERT_TRUE(controller.resultsPresent());
    const MatrixTable marked = buildMatrixTable(controller.workspace(), ShownMatrix::Directed, true);
    EXPECT_EQ(tableRow(marked, 0), (Row{"Usmj", "N1", "N2", "N3", "*N7", "e4", "e5", "*e6"}));
    EXPECT_EQ(marked.cell(0, 7), "*e6");
    // Without results the marker is not shown.
    const MatrixTable plain = buildMatrixTable(controller.workspace(), ShownMatrix::Directed, false);
    EXPECT_EQ(plain.cell(7, 0), "e6");
}
