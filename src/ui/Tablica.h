#pragma once

#include "run/MatrixView.h"

#include <QWidget>

#include <functional>

class QLabel;
class QTableWidget;

namespace velmor {

class StructureWorkspace;

// Where the matrix window takes its structure from.
struct MatrixSource {
    std::function<StructureWorkspace*()> workspace;
    std::function<ShownMatrix()> shown;    // after the main window's direction buttons
    std::function<bool()> resultsPresent;
    std::function<void()> beforeChange;    // waits for a load that may be writing the matrices
};

// The node–edge matrix of the present structure; a double-click switches a
// connection between a node and an edge.
class TForm8 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 748;
    static constexpr int kClientHeight = 355;
    static constexpr int kColumnWidth = 30;
    static constexpr int kRowHeight = 21;

    TForm8();

    void setSource(MatrixSource source) { source_ = std::move(source); }

    // Rebuilds the whole grid from the workspace.
    void fill();
    // A double-click on grid cell (column, row); 0 is the header column or row.
    void StringGrid1DblClick(int column, int row);

    QTableWidget* grid() const { return StringGrid1; }
    // The grid as the program numbers it: column 0 and row 0 are the headers.
    int gridColumns() const { return table_.columns; }
    int gridRows() const { return table_.rows; }
    QString cellText(int column, int row) const;
    QLabel* corner() const { return corner_; }

signals:
    // A double-click switched a connection of the structure.
    void structureChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeCorner();

    MatrixSource source_;
    MatrixTable table_;
    QTableWidget* StringGrid1 = nullptr;
    QLabel* corner_ = nullptr;
};

} // namespace velmor
