// The main window mirrors the board: each change the controller drained
// is carried out on the control it names.
#include "ui/Gui.h"

#include "ui/Greska.h"
#include "ui/Widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace velmor {

namespace {

QColor toColour(Rgb rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

void TForm1::mirror(const ControlUnit& unit)
{
    for (const ControlChange& change : unit)
        mirror(change);
}

void TForm1::mirror(const ControlChange& change)
{
    // Changes shown here were decided by the program; the widgets' own
    // signals must not come back to it as user events.
    const QScopedValueRollback<bool> quiet(mirroring_, true);
    using Kind = ControlChange::Kind;
    QObject* target = control(QString::fromStdString(change.control));

    switch (change.kind) {
    case Kind::Enable:
        if (auto* widget = qobject_cast<QWidget*>(target))
            widget->setEnabled(change.on);
        else if (auto* action = qobject_cast<QAction*>(target))
            action->setEnabled(change.on);
        break;
    case Kind::Check:
        mirrorCheck(target, change.on);
        break;
    case Kind::Text:
        mirrorText(target, QString::fromStdString(change.text));
        break;
    case Kind::Items:
        if (auto* combo = qobject_cast<QComboBox*>(target))
            mirrorItems(combo, change.items);
        break;
    case Kind::Select:
        if (auto* combo = qobject_cast<QComboBox*>(target))
            mirrorSelect(combo, QString::fromStdString(change.text));
        break;
    case Kind::Cell:
        mirrorCell(change.row, change.column, QString::fromStdString(change.text));
        break;
    case Kind::RowCount:
        mirrorRowCount(change.number);
        break;
    case Kind::Colour:
        if (auto* lamp = qobject_cast<Lamp*>(target))
            lamp->setFill(toColour(change.colour));
        break;
    case Kind::Progress:
        // A position past the end shows a full bar.
        ProgressBar1->setValue(std::clamp(change.number, 0, kProgressMaximum));
        break;
    case Kind::Error:
        if (peers_.error)
            peers_.error->report(this, QString::fromStdString(change.text), QString::fromStdString(change.second));
        break;
    default:
        break; // state that the program keeps to itself
    }
}

void TForm1::mirrorCheck(QObject* target, bool on)
{
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        const QSignalBlocker block(button);
        if (!on && button->autoExclusive() && button->isChecked()) {
            // A radio button cannot be cleared while it is the checked one of its group.
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
        } else {
            button->setChecked(on);
        }
    } else if (auto* action = qobject_cast<QAction*>(target)) {
        const QSignalBlocker block(action);
        action->setChecked(on);
    }
}

void TForm1::mirrorText(QObject* target, const QString& text)
{
    if (auto* label = qobject_cast<QLabel*>(target))
        label->setText(text);
    else if (auto* edit = qobject_cast<QLineEdit*>(target))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(target))
        combo->setEditText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->setText(text);
    else if (auto* action = qobject_cast<QAction*>(target))
        action->setText(text);
    else if (target == this)
        setWindowTitle(text);
}

void TForm1::mirrorItems(QComboBox* combo, const std::vector<std::string>& items)
{
    std::vector<std::string> sorted = items;
    std::sort(sorted.begin(), sorted.end()); // the order of a sorted list of these texts
    const QString text = combo->currentText();
    const QSignalBlocker block(combo);
    combo->clear();
    for (const std::string& item : sorted)
        combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

void TForm1::mirrorSelect(QComboBox* combo, const QString& item)
{
    const QSignalBlocker block(combo);
    const int index = item.isEmpty() ? -1 : combo->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        combo->setCurrentIndex(index);
        return;
    }
    const QString text = combo->currentText();
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
}

void TForm1::mirrorCell(int row, int column, const QString& text)
{
    if (column < 0 || column >= StringGrid1->columnCount() || row < 0 || row > StringGrid1->rowCount())
        return;
    if (row == 0) {
        StringGrid1->horizontalHeaderItem(column)->setText(text);
        return;
    }
    QTableWidgetItem* item = StringGrid1->item(row - 1, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        StringGrid1->setItem(row - 1, column, item);
    }
    item->setText(text);
}

void TForm1::mirrorRowCount(int rows)
{
    // The header row is the grid's fixed row; it always stays.
    StringGrid1->setRowCount(std::max(rows, 1) - 1);
}

int TForm1::gridRows() const
{
    return StringGrid1->rowCount() + 1;
}

QString TForm1::gridCell(int row, int column) const
{
    if (column < 0 || column >= StringGrid1->columnCount() || row < 0 || row > StringGrid1->rowCount())
        return {};
    if (row == 0)
        return StringGrid1->horizontalHeaderItem(column)->text();
    const QTableWidgetItem* item = StringGrid1->item(row - 1, column);
    return item ? item->text() : QString();
}

} // namespace velmor
