#include "ui/Vaznost.h"

#include "platform/Numbers.h"
#include "ui/Application.h"
#include "ui/Widgets.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace velmor {

namespace {

constexpr int kRowHeight = 20;

QString nodeText(std::int32_t label)
{
    return QString::fromStdString(elementText(label, NodeKind));
}

// How a computation that did not rate every element ended.
QString endText(const ImportanceResult& result)
{
    const QString count = QStringLiteral("%1/%2").arg(result.done).arg(result.total);
    switch (result.status) {
    case ImportanceStatus::Done: return QStringLiteral("Izračunato: ") + count;
    case ImportanceStatus::Stopped: return QStringLiteral("Računanje prekinuto: ") + count;
    case ImportanceStatus::Failed: break;
    }
    switch (result.frontierStatus) {
    case FrontierStatus::OutOfMemory: return QStringLiteral("Računanje nije uspjelo: nedovoljno memorije");
    case FrontierStatus::TooWide: return QStringLiteral("Računanje nije uspjelo: struktura je preširoka");
    default: return QStringLiteral("Računanje nije uspjelo");
    }
}

} // namespace

QStringList importanceHeaders()
{
    return {QStringLiteral("Element"), QStringLiteral("Birnbaum"), QStringLiteral("Kritičnost")};
}

TForm9::TForm9() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Važnost elemenata"));
    setFont(formFont());
    resize(kClientWidth, kClientHeight); // a long list may want more room

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    column->addWidget(Label1);

    StringGrid1 = new QTableWidget(0, 3, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->setHorizontalHeaderLabels(importanceHeaders());
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StringGrid1->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->setColumnWidth(0, 90);
    StringGrid1->setColumnWidth(1, 150);
    column->addWidget(StringGrid1, 1);

    auto* bottom = new QHBoxLayout;
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    bottom->addWidget(Label2, 1);
    Prekini = new QPushButton(QStringLiteral("Prekini"), this);
    Prekini->setObjectName(QStringLiteral("Prekini"));
    Prekini->setEnabled(false);
    bottom->addWidget(Prekini);
    Zatvori = new QPushButton(QStringLiteral("Zatvori"), this);
    Zatvori->setObjectName(QStringLiteral("Zatvori"));
    bottom->addWidget(Zatvori);
    column->addLayout(bottom);

    timer_ = new QTimer(this);
    timer_->setInterval(kPollMilliseconds);
    connect(timer_, &QTimer::timeout, this, [this] { guarded([this] { poll(); }); });
    connect(Prekini, &QPushButton::clicked, this, [this] { guarded([this] { PrekiniClick(); }); });
    connect(Zatvori, &QPushButton::clicked, this, [this] { close(); });
}

void TForm9::begin()
{
    shown_.reset();
    StringGrid1->setRowCount(0);
    Label1->setText(QStringLiteral("Računanje važnosti elemenata metodom granice u tijeku..."));
    Label2->setText(QString());
    Prekini->setEnabled(true);
    timer_->start();
    poll();
}

void TForm9::poll()
{
    if (source_.running && source_.running()) {
        const int done = source_.done ? source_.done() : 0;
        const int total = source_.total ? source_.total() : 0;
        Label2->setText(QStringLiteral("Izračunato: %1/%2").arg(done).arg(total));
        return;
    }
    timer_->stop();
    Prekini->setEnabled(false);
    present(source_.result ? source_.result() : nullptr);
    emit finished();
}

void TForm9::present(std::shared_ptr<const ImportanceResult> result)
{
    shown_ = std::move(result);
    StringGrid1->setRowCount(0);
    if (!shown_) {
        Label2->setText(QString());
        return;
    }
    const char separator = source_.decimalSeparator;
    const QString availability = shown_->status == ImportanceStatus::Failed && shown_->evaluations <= 1
                                     ? QStringLiteral("-")
                                     : QString::fromStdString(formatGeneral(shown_->availability, separator));
    Label1->setText(QStringLiteral("Izvorišni čvor %1, odredišni čvor %2, raspoloživost %3")
                        .arg(nodeText(shown_->sourceLabel), nodeText(shown_->destinationLabel), availability));
    Label2->setText(endText(*shown_));
    StringGrid1->setRowCount(static_cast<int>(shown_->elements.size()));
    int row = 0;
    for (const ElementImportance& e : shown_->elements) {
        const QString texts[] = {QString::fromStdString(e.text()),
                                 QString::fromStdString(formatGeneral(e.birnbaum, separator)),
                                 QString::fromStdString(formatGeneral(e.criticality, separator))};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment((c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
            StringGrid1->setItem(row, c, item);
        }
        ++row;
    }
}

void TForm9::PrekiniClick()
{
    if (source_.stop)
        source_.stop();
    Prekini->setEnabled(false);
}

int TForm9::rows() const
{
    return StringGrid1->rowCount() + 1;
}

QString TForm9::cell(int row, int column) const
{
    if (row == 0) {
        const QTableWidgetItem* item = StringGrid1->horizontalHeaderItem(column);
        return item ? item->text() : QString();
    }
    const QTableWidgetItem* item = StringGrid1->item(row - 1, column);
    return item ? item->text() : QString();
}

QString TForm9::statusLine() const
{
    return Label2->text();
}

QString TForm9::pairLine() const
{
    return Label1->text();
}

bool TForm9::stopEnabled() const
{
    return Prekini->isEnabled();
}

void TForm9::closeEvent(QCloseEvent* event)
{
    // A list nobody looks at is not worth computing on.
    if (source_.running && source_.running() && source_.stop)
        source_.stop();
    timer_->stop();
    event->accept();
    emit closed();
}

} // namespace velmor
