#include "ui/Tablica.h"

#include "ui/Application.h"
#include "ui/Widgets.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include <algorithm>

namespace velmor {

namespace {

QFont gridFont()
{
    QFont font = formFont(10);
    font.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Courier New"), QStringLiteral("Monospace")});
    return font;
}

} // namespace

TForm8::TForm8() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Matrica strukture"));
    setFont(formFont());
    resize(kClientWidth, kClientHeight); // the matrix window may be resized

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    StringGrid1 = new QTableWidget(1, 1, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setFont(gridFont());
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setCornerButtonEnabled(false);
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->setFont(gridFont());
        header->setSectionResizeMode(QHeaderView::Interactive); // the user may drag the sizes
        header->setMinimumSectionSize(8);
        header->setHighlightSections(false);
    }
    StringGrid1->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->horizontalHeader()->setFixedHeight(kRowHeight);
    // The header column is at least as wide as the corner's "Usmj" or "Neus".
    const QFontMetrics metrics(gridFont());
    StringGrid1->verticalHeader()->setMinimumWidth(
        std::max(kColumnWidth, std::max(metrics.horizontalAdvance(QStringLiteral("Usmj")),
                                        metrics.horizontalAdvance(QStringLiteral("Neus"))) + 8));
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(StringGrid1);

    // The header corner shows which matrix is on view.
    corner_ = new QLabel(StringGrid1);
    corner_->setObjectName(QStringLiteral("corner"));
    corner_->setFont(gridFont());
    corner_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    corner_->setIndent(2);
    corner_->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()})
        connect(header, &QHeaderView::geometriesChanged, this, [this] { placeCorner(); });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int column) { StringGrid1DblClick(column + 1, row + 1); });
    fill();
}

void TForm8::fill()
{
    StructureWorkspace* ws = source_.workspace ? source_.workspace() : nullptr;
    if (ws) {
        const ShownMatrix shown = source_.shown ? source_.shown() : ShownMatrix::None;
        table_ = buildMatrixTable(*ws, shown, source_.resultsPresent && source_.resultsPresent());
    } else {
        table_ = MatrixTable{1, 1, {std::string()}};
    }

    StringGrid1->setUpdatesEnabled(false);
    StringGrid1->clearContents();
    StringGrid1->setColumnCount(table_.columns - 1);
    StringGrid1->setRowCount(table_.rows - 1);
    for (int c = 1; c < table_.columns; ++c)
        StringGrid1->setHorizontalHeaderItem(c - 1, new QTableWidgetItem(QString::fromStdString(table_.cell(c, 0))));
    for (int r = 1; r < table_.rows; ++r) {
        StringGrid1->setVerticalHeaderItem(r - 1, new QTableWidgetItem(QString::fromStdString(table_.cell(0, r))));
        for (int c = 1; c < table_.columns; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(table_.cell(c, r)));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            StringGrid1->setItem(r - 1, c - 1, item);
        }
    }
    corner_->setText(QString::fromStdString(table_.cell(0, 0)));
    StringGrid1->setUpdatesEnabled(true);
    placeCorner();
}

void TForm8::StringGrid1DblClick(int column, int row)
{
    guarded([&] {
        StructureWorkspace* ws = source_.workspace ? source_.workspace() : nullptr;
        if (!ws)
            return;
        if (source_.beforeChange)
            source_.beforeChange();
        const ShownMatrix shown = source_.shown ? source_.shown() : ShownMatrix::None;
        const MatrixToggle toggle = toggleMatrixCell(*ws, shown, column, row);
        if (toggle != MatrixToggle::None)
            fill();
        if (toggle == MatrixToggle::Toggled)
            emit structureChanged();
    });
    StringGrid1->viewport()->update();
}

QString TForm8::cellText(int column, int row) const
{
    if (column < 0 || row < 0 || column >= table_.columns || row >= table_.rows)
        return {};
    if (column == 0 && row == 0)
        return corner_->text();
    if (row == 0)
        return StringGrid1->horizontalHeaderItem(column - 1)->text();
    if (column == 0)
        return StringGrid1->verticalHeaderItem(row - 1)->text();
    const QTableWidgetItem* item = StringGrid1->item(row - 1, column - 1);
    return item ? item->text() : QString();
}

void TForm8::placeCorner()
{
    const QHeaderView* vertical = StringGrid1->verticalHeader();
    const QHeaderView* horizontal = StringGrid1->horizontalHeader();
    const int frame = StringGrid1->frameWidth();
    corner_->setGeometry(frame, frame, vertical->width(), horizontal->height());
    corner_->raise();
}

void TForm8::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    placeCorner();
}

void TForm8::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeCorner();
    StringGrid1->viewport()->update();
}

} // namespace velmor
