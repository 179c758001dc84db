#pragma once

#include "run/ReportBuilder.h"

#include <QAbstractItemModel>
#include <QWidget>

#include <array>
#include <memory>

class QAreaSeries;
class QChart;
class QChartView;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTreeView;

namespace velmor {

// The solution tree of a report for a tree view: it reads the report's tree
// directly, so a tree of any size shows at once.
class ReportTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    using QAbstractItemModel::QAbstractItemModel;

    void setReport(std::shared_ptr<const ReportContent> report);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::shared_ptr<const ReportContent> report_;
};

// The detailed report of one algorithm's run. Its display thread builds the
// report; the window only shows what it is handed.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 793;
    static constexpr int kClientHeight = 561;
    static constexpr int kChartWidth = 361;
    static constexpr int kChartHeight = 185;

    TForm4();

    // A new report of `kind` with its number: caption, algorithm and the
    // building notice; the tree is empty.
    void begin(Algorithm kind, int number);
    // Shows a report that its display thread has built (or had built when
    // it was aborted).
    void present(std::shared_ptr<const ReportContent> report);

    int reportKind() const { return reportKind_; } // 1 Abraham, 2 ENR, 3 NPR
    int reportNumber() const { return reportNumber_; }
    Algorithm algorithm() const { return static_cast<Algorithm>(reportKind_ - 1); }

    // What the window shows, for tests.
    QString statusLine() const;
    QString algorithmText() const;
    QString label(int number) const; // Label2 .. Label11
    QString value(int number) const; // Edit2 .. Edit11
    bool pairShown(int number) const;
    QTreeView* tree() const { return TreeView1; }
    QStringList treeLines() const; // depth first, two blanks per level
    QChart* chart() const { return chart_; }
    QAreaSeries* series() const { return Series1; }
    QString chartTitle() const;
    // The chart's points as shown (x, y), and the labels on its x axis.
    QList<QPointF> chartPoints() const;
    QStringList chartLabels() const;
    std::shared_ptr<const ReportContent> report() const { return report_; }

    void FormClose();

signals:
    // Closed by the user: the main window's rules for the kind run.
    void closed(velmor::Algorithm kind, int number);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showChart(const std::vector<ChartPoint>& points);

    int reportKind_ = 0;
    int reportNumber_ = 0;
    std::shared_ptr<const ReportContent> report_;
    ReportTreeModel* model_ = nullptr;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QTreeView* TreeView1 = nullptr;
    QChartView* Graf = nullptr;
    QChart* chart_ = nullptr;
    QAreaSeries* Series1 = nullptr;
    QLabel* chartTitle_ = nullptr;
    // Label2 .. Label9 in the panels, then Label10 and Label11 (the bounds)
    // beside Label1; the same for the values.
    std::array<QLabel*, 10> labels_{};
    std::array<QLineEdit*, 10> values_{};
};

} // namespace velmor
