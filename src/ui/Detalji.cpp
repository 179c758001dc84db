#include "ui/Detalji.h"

#include "ui/Widgets.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QTreeView>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace velmor {

namespace {

const QColor kGroupBlue(0, 0, 255);

// A chart this small shows no more points than it has pixels; of the
// samples that share a pixel the largest is kept, so peaks stay visible.
constexpr int kMaxShownPoints = 2 * TForm4::kChartWidth;
// The padding on each side of a label of the x axis, and what the value
// axis takes beside its labels (ticks and padding).
constexpr int kAxisLabelPadding = 5;
constexpr int kValueAxisPadding = 14;
constexpr int kChartRightMargin = 4;

QFont arialFont(int pixelSize, bool bold)
{
    QFont font = formFont(pixelSize, bold);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    return font;
}

// A value in a narrow field: in a smaller font when it is long, and read from
// its start, so that a long number never shows only its last digits.
void showFromStart(QLineEdit* edit, const QString& text)
{
    edit->setFont(fittedFont(arialFont(11, false), text, edit->width() - kLineEditTextMargins, 8));
    edit->setText(text);
    edit->setCursorPosition(0);
    edit->setToolTip(text);
}

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// --- Tree model ------------------------------------------------------------------

void ReportTreeModel::setReport(std::shared_ptr<const ReportContent> report)
{
    beginResetModel();
    report_ = std::move(report);
    endResetModel();
}

QModelIndex ReportTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!report_ || column != 0)
        return {};
    const ReportNode node = parent.isValid() ? static_cast<ReportNode>(parent.internalId()) : kReportTop;
    if (row < 0 || row >= report_->tree.childCount(node))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(report_->tree.child(node, row)));
}

QModelIndex ReportTreeModel::parent(const QModelIndex& child) const
{
    if (!report_ || !child.isValid())
        return {};
    const ReportNode parentNode = report_->tree.parent(static_cast<ReportNode>(child.internalId()));
    if (parentNode < 0)
        return {};
    return createIndex(report_->tree.row(parentNode), 0, static_cast<quintptr>(parentNode));
}

int ReportTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!report_ || parent.column() > 0)
        return 0;
    return report_->tree.childCount(parent.isValid() ? static_cast<ReportNode>(parent.internalId()) : kReportTop);
}

int ReportTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ReportTreeModel::data(const QModelIndex& index, int role) const
{
    if (!report_ || !index.isValid() || role != Qt::DisplayRole)
        return {};
    return fromUtf8(report_->tree.text(static_cast<ReportNode>(index.internalId())));
}

// --- Window ----------------------------------------------------------------------

TForm4::TForm4() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QString::fromUtf8(kReportCaption));
    // Bold Arial 13 pixels high including its internal leading: 12 pixels to the em.
    setFont(arialFont(12, true));
    fixClientSize(this, kClientWidth, kClientHeight);
    paintBackground(this, Qt::black);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);

    Label1 = new QLabel(QStringLiteral("Algoritam :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 6, 282, 18);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setGeometry(8, 27, 777, 22);
    {
        QPalette p = Edit1->palette();
        p.setColor(QPalette::Text, kGroupBlue);
        p.setColor(QPalette::Base, Qt::white);
        Edit1->setPalette(p);
    }

    auto group = [this](const char* name, const QString& caption, const QRect& geometry) {
        auto* box = new QGroupBox(caption, this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(geometry);
        QPalette p = box->palette();
        p.setColor(QPalette::WindowText, kGroupBlue);
        p.setColor(QPalette::Text, kGroupBlue);
        p.setColor(QPalette::Window, Qt::black);
        box->setPalette(p);
        return box;
    };

    GroupBox2 = group("GroupBox2", QStringLiteral("prikaz stabla rješenja :"), QRect(8, 53, 777, 290));
    TreeView1 = new QTreeView(GroupBox2);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(8, 19, 761, 265);
    TreeView1->setHeaderHidden(true);
    TreeView1->setUniformRowHeights(true); // keeps very large trees fast
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setFont(arialFont(12, false));
    {
        QPalette p = TreeView1->palette();
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, Qt::black);
        TreeView1->setPalette(p);
    }
    model_ = new ReportTreeModel(this);
    TreeView1->setModel(model_);
    TreeView1->installEventFilter(this);

    const int bottom = 347;
    const int bottomHeight = kClientHeight - bottom - 4;
    GroupBox3 = group("GroupBox3", QStringLiteral("zauzeće memorije [ byte ] :"),
                      QRect(6, bottom, kChartWidth + 16, bottomHeight));
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setBackgroundRoundness(0);
    chart_->setMargins(QMargins(2, 14, kChartRightMargin, 0));
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    Graf = new QChartView(chart_, GroupBox3);
    Graf->setObjectName(QStringLiteral("Graf"));
    Graf->setGeometry(8, 19, kChartWidth, kChartHeight);
    Graf->setRenderHint(QPainter::Antialiasing);
    chartTitle_ = new QLabel(QString::fromUtf8(kReportChartTitle), Graf);
    chartTitle_->setObjectName(QStringLiteral("GrafTitle"));
    chartTitle_->setFont(arialFont(9, false));
    chartTitle_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    chartTitle_->setGeometry(4, 1, kChartWidth - 8, 13);
    {
        QPalette p = chartTitle_->palette();
        p.setColor(QPalette::WindowText, Qt::black);
        chartTitle_->setPalette(p);
    }
    // An area series does not own its line series.
    auto* upper = new QLineSeries(chart_);
    Series1 = new QAreaSeries(upper);
    Series1->setObjectName(QStringLiteral("Series1"));
    Series1->setColor(Qt::red);
    Series1->setBorderColor(Qt::red);
    Series1->setPointsVisible(false);
    Series1->setPointLabelsVisible(false);
    chart_->addSeries(Series1);
    auto* xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis->setLabelsFont(arialFont(9, false));
    auto* yAxis = new QValueAxis;
    yAxis->setLabelFormat(QStringLiteral("%.0f"));
    yAxis->setLabelsFont(arialFont(9, false));
    chart_->addAxis(xAxis, Qt::AlignBottom);
    chart_->addAxis(yAxis, Qt::AlignLeft);
    Series1->attachAxis(xAxis);
    Series1->attachAxis(yAxis);

    const int middle = 6 + kChartWidth + 16 + 4;
    const int middleWidth = 226;
    const int right = middle + middleWidth + 4;
    GroupBox1 = group("GroupBox1", QStringLiteral("vremena izvođenja [ sekunde] :"),
                      QRect(middle, bottom, middleWidth, bottomHeight));
    GroupBox4 = group("GroupBox4", QStringLiteral("detalji o izvršavanju :"),
                      QRect(right, bottom, kClientWidth - right - 6, bottomHeight));

    auto panel = [](const char* name, QGroupBox* box) {
        auto* p = new QWidget(box);
        p->setObjectName(QString::fromLatin1(name));
        p->setGeometry(6, 19, box->width() - 12, box->height() - 25);
        paintBackground(p, Qt::white);
        QPalette colours = p->palette();
        colours.setColor(QPalette::WindowText, Qt::black);
        colours.setColor(QPalette::Text, Qt::black);
        p->setPalette(colours);
        return p;
    };
    Panel1 = panel("Panel1", GroupBox1);
    Panel2 = panel("Panel2", GroupBox4);
    for (int i = 0; i < 8; ++i) {
        QWidget* owner = i < 4 ? Panel1 : Panel2;
        const int slot = i % 4;
        auto* label = new QLabel(owner);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 2));
        label->setFont(arialFont(11, true));
        label->setGeometry(4, 3 + slot * 44, owner->width() - 8, 16);
        auto* value = new QLineEdit(owner);
        value->setObjectName(QStringLiteral("Edit%1").arg(i + 2));
        value->setReadOnly(true);
        value->setFont(arialFont(11, false));
        value->setGeometry(4, 20 + slot * 44, owner->width() - 8, 20);
        labels_[static_cast<std::size_t>(i)] = label;
        values_[static_cast<std::size_t>(i)] = value;
    }
    // The bracket of the availability, in the top row beside the algorithm.
    for (int i = 0; i < 2; ++i) {
        const int left = 296 + i * 245;
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label%1").arg(10 + i));
        label->setFont(arialFont(11, true));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(left, 5, 110, 20);
        auto* value = new QLineEdit(this);
        value->setObjectName(QStringLiteral("Edit%1").arg(10 + i));
        value->setReadOnly(true);
        value->setFont(arialFont(11, false));
        value->setGeometry(left + 114, 4, 125, 20);
        labels_[static_cast<std::size_t>(8 + i)] = label;
        values_[static_cast<std::size_t>(8 + i)] = value;
    }
}

void TForm4::begin(Algorithm kind, int number)
{
    reportKind_ = static_cast<int>(kind) + 1;
    reportNumber_ = number;
    report_.reset();
    model_->setReport(nullptr);
    setWindowTitle(QString::fromUtf8(reportCaption(kind).c_str()));
    Label1->setText(QString::fromUtf8(reportAlgorithmLabel(kind).c_str()));
    Edit1->setText(QString::fromUtf8(kReportBuilding));
}

void TForm4::present(std::shared_ptr<const ReportContent> report)
{
    if (!report)
        return;
    report_ = report;
    setWindowTitle(fromUtf8(report->caption));
    Label1->setText(fromUtf8(report->algorithm));
    // A long file name: the whole line in a smaller font, read from its start.
    const QString status = fromUtf8(report->status);
    Edit1->setFont(fittedFont(font(), status, Edit1->width() - kLineEditTextMargins, 8));
    Edit1->setText(status);
    Edit1->setCursorPosition(0);
    Edit1->setToolTip(status);
    if (report->timesShown) {
        for (std::size_t i = 0; i < 4; ++i) {
            labels_[i]->setText(fromUtf8(report->timeLabels[i]));
            values_[i]->setText(fromUtf8(report->timeValues[i]));
        }
        labels_[3]->setVisible(report->lastTimeShown);
        values_[3]->setVisible(report->lastTimeShown);
    }
    if (report->detailsShown)
        for (std::size_t i = 0; i < 4; ++i) {
            labels_[4 + i]->setText(fromUtf8(report->detailLabels[i]));
            showFromStart(values_[4 + i], fromUtf8(report->detailValues[i]));
        }
    if (report->boundsShown)
        for (std::size_t i = 0; i < 2; ++i) {
            labels_[8 + i]->setText(fromUtf8(report->boundLabels[i]));
            showFromStart(values_[8 + i], fromUtf8(report->boundValues[i]));
        }
    if (report->chartShown)
        showChart(report->chart);
    model_->setReport(report);
}

void TForm4::showChart(const std::vector<ChartPoint>& points)
{
    QList<QPointF> shown;
    const std::size_t count = points.size();
    if (count <= static_cast<std::size_t>(kMaxShownPoints)) {
        for (const ChartPoint& p : points)
            shown.append(QPointF(static_cast<qreal>(p.x), static_cast<qreal>(p.y)));
    } else {
        const double perBucket = static_cast<double>(count) / kMaxShownPoints;
        for (int bucket = 0; bucket < kMaxShownPoints; ++bucket) {
            const auto first = static_cast<std::size_t>(bucket * perBucket);
            const auto last = std::min(count, static_cast<std::size_t>((bucket + 1) * perBucket));
            std::size_t peak = first;
            for (std::size_t i = first; i < last; ++i)
                if (points[i].y > points[peak].y)
                    peak = i;
            shown.append(QPointF(static_cast<qreal>(points[peak].x), static_cast<qreal>(points[peak].y)));
        }
    }
    Series1->upperSeries()->replace(shown);

    auto* xAxis = static_cast<QCategoryAxis*>(chart_->axes(Qt::Horizontal).constFirst());
    auto* yAxis = static_cast<QValueAxis*>(chart_->axes(Qt::Vertical).constFirst());
    for (const QString& label : xAxis->categoriesLabels())
        xAxis->remove(label);
    std::int64_t maxX = 0;
    std::int64_t maxY = 0;
    std::size_t longest = 0; // the labels are numbers: the longest is the widest
    for (std::size_t i = 0; i < count; ++i) {
        maxX = std::max(maxX, points[i].x);
        maxY = std::max(maxY, points[i].y);
        if (points[i].label.size() > points[longest].label.size())
            longest = i;
    }
    const int widest = count > 0 ? QFontMetrics(xAxis->labelsFont()).horizontalAdvance(fromUtf8(points[longest].label)) : 0;
    // Whole-byte ticks: a step of 1, 2 or 5 times a power of ten, at most
    // five of them.
    double tick = 1;
    while (static_cast<double>(maxY) / tick > 4) {
        const double mantissa = tick / std::pow(10.0, std::floor(std::log10(tick)));
        tick *= mantissa < 1.5 ? 2 : mantissa < 3 ? 2.5 : 2;
    }
    const double top = std::max(1.0, std::ceil(static_cast<double>(maxY) / tick)) * tick;
    yAxis->setRange(0, top);
    yAxis->setTickCount(static_cast<int>(std::lround(top / tick)) + 1);

    // The last label stands on the right end of the axis: the chart keeps
    // room for its right half.
    QMargins margins = chart_->margins();
    margins.setRight(std::max(kChartRightMargin, widest / 2 + 2));
    chart_->setMargins(margins);

    // Every point carries its label; the axis shows as many as keep their
    // whole text, the last point's always. The chart gives each label of the
    // axis an equal share of its width (one share more for the axis' start),
    // and a label wider than its share is cut.
    const int valueLabels = QFontMetrics(yAxis->labelsFont()).horizontalAdvance(QString::number(top, 'f', 0));
    const int axisWidth = std::max(1, kChartWidth - margins.left() - margins.right() - valueLabels - kValueAxisPadding);
    const int labelRoom = widest + 2 * kAxisLabelPadding + 1;
    const int labelsShown = std::max(1, axisWidth / labelRoom - 1);
    const std::size_t labelled = count > 0 ? count - 1 : 0; // the first point has none
    const std::size_t stepped = static_cast<std::size_t>(labelsShown > 1 ? labelsShown - 1 : 1); // one left for the last
    const std::size_t step = std::max<std::size_t>(1, (labelled + stepped - 1) / stepped);
    const qreal unitsPerPixel = static_cast<qreal>(std::max<std::int64_t>(maxX, 1)) / axisWidth;
    const auto nearEnd = static_cast<std::int64_t>(std::ceil(labelRoom * unitsPerPixel));
    for (std::size_t i = 0; i < count; ++i) {
        if (points[i].label.empty())
            continue;
        const bool last = i + 1 == count;
        if (last || (i % step == 0 && points.back().x - points[i].x >= nearEnd))
            xAxis->append(fromUtf8(points[i].label), static_cast<qreal>(points[i].x));
    }
    xAxis->setRange(0, static_cast<qreal>(std::max<std::int64_t>(maxX, 1)));
}

QString TForm4::statusLine() const
{
    return Edit1->text();
}

QString TForm4::algorithmText() const
{
    return Label1->text();
}

QString TForm4::label(int number) const
{
    return number >= 2 && number <= 11 ? labels_[static_cast<std::size_t>(number - 2)]->text() : QString();
}

QString TForm4::value(int number) const
{
    return number >= 2 && number <= 11 ? values_[static_cast<std::size_t>(number - 2)]->text() : QString();
}

bool TForm4::pairShown(int number) const
{
    return number >= 2 && number <= 11 && !values_[static_cast<std::size_t>(number - 2)]->isHidden();
}

QStringList TForm4::treeLines() const
{
    QStringList lines;
    struct Frame {
        QModelIndex parent;
        int next;
        int depth;
    };
    std::vector<Frame> stack{{QModelIndex(), 0, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == model_->rowCount(top.parent)) {
            stack.pop_back();
            continue;
        }
        const QModelIndex index = model_->index(top.next++, 0, top.parent);
        const int depth = top.depth;
        lines << QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
        stack.push_back({index, 0, depth + 1});
    }
    return lines;
}

QString TForm4::chartTitle() const
{
    return chartTitle_->text();
}

QList<QPointF> TForm4::chartPoints() const
{
    return Series1->upperSeries()->points();
}

QStringList TForm4::chartLabels() const
{
    return static_cast<QCategoryAxis*>(chart_->axes(Qt::Horizontal).constFirst())->categoriesLabels();
}

void TForm4::FormClose()
{
    emit closed(algorithm(), reportNumber_);
}

// "*" in a tree view expands the whole subtree under the current node:
// under a solution tree's root that is every row, hundreds of millions of
// them, more than the view could lay out or the machine hold. The tree
// opens a level at a time instead.
bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1 && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Asterisk)
        return true;
    return QWidget::eventFilter(watched, event);
}

void TForm4::closeEvent(QCloseEvent* event)
{
    if (reportKind_ != 0)
        FormClose();
    event->accept(); // the program releases the window once its close is over
}

} // namespace velmor
