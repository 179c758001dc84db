#include "ui/Unos.h"

#include "platform/Numbers.h"
#include "ui/Application.h"
#include "ui/Greska.h"
#include "ui/Widgets.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>

#include <cmath>

namespace velmor {

// --- Pictures --------------------------------------------------------------------------

DirectionPicture::DirectionPicture(bool directed, QWidget* parent) : QWidget(parent), directed_(directed) {}

void DirectionPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));

    // A source, a middle node and a destination: a bridge-like sketch.
    // The caption takes the bottom band; the sketch the rest.
    QFont font = formFont(std::max(8, height() / 9), true);
    const qreal band = font.pixelSize() + 4;
    const qreal w = width();
    const qreal h = height() - band;
    const qreal r = std::max<qreal>(4, std::min(w, h) / 9);
    const QPointF nodes[] = {{w * 0.16, h * 0.5}, {w * 0.5, h * 0.2}, {w * 0.5, h * 0.8}, {w * 0.84, h * 0.5}};
    const int edges[][2] = {{0, 1}, {0, 2}, {1, 3}, {2, 3}, {1, 2}};
    const QColor edgeColour(0, 0, 160);
    painter.setPen(QPen(edgeColour, std::max<qreal>(1, r / 4)));
    for (const auto& edge : edges) {
        const QPointF from = nodes[edge[0]];
        const QPointF to = nodes[edge[1]];
        const QPointF d = to - from;
        const qreal length = std::hypot(d.x(), d.y());
        const QPointF unit = d / length;
        const QPointF start = from + unit * r;
        const QPointF end = to - unit * r;
        painter.drawLine(start, end);
        if (directed_) {
            const QPointF normal(-unit.y(), unit.x());
            const qreal size = r * 0.9;
            QPainterPath head;
            head.moveTo(end);
            head.lineTo(end - unit * size + normal * size * 0.5);
            head.lineTo(end - unit * size - normal * size * 0.5);
            head.closeSubpath();
            painter.fillPath(head, edgeColour);
        }
    }
    painter.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < 4; ++i) {
        painter.setBrush(i == 0 ? QColor(0, 170, 0) : i == 3 ? QColor(220, 0, 0) : QColor(166, 202, 240));
        painter.drawEllipse(nodes[i], r, r);
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(2, h, w - 4, band - 2), Qt::AlignCenter,
                     directed_ ? QStringLiteral("usmjeren") : QStringLiteral("neusmjeren"));
}

// --- Window ----------------------------------------------------------------------------

namespace {

QLabel* caption(const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

QPushButton* speedButton(const char* name, const QString& text, QWidget* parent, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    // Like the toolkit's speed buttons: a click leaves the focus where it is,
    // so the edit field that has it is not committed by the click.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

TForm5::TForm5() : QWidget(nullptr), editor_(userDecimalSeparator())
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Unos i promjena ulaznih podataka"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);

    auto* heading = new QLabel(QStringLiteral("Podešavanje parametara strukture i povezanosti elemenata"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->setFont(formFont(13, true));
    heading->setGeometry(8, 6, 480, 20);

    auto* reset = speedButton("SpeedButton5", QStringLiteral("reset"), this, QRect(498, 4, 114, 24));
    auto* refresh = speedButton("SpeedButton6", QStringLiteral("osvježi"), this, QRect(618, 4, 114, 24));
    connect(reset, &QPushButton::clicked, this, [this] { SpeedButton5Click(); });
    connect(refresh, &QPushButton::clicked, this, [this] { SpeedButton6Click(); });

    auto elementGroup = [this](const char* name, const QString& title, const QRect& geometry, const QString& listCaption,
                               const char* listName, const char* labelEdit, const char* availabilityEdit,
                               const QString& availabilityCaption, const char* removeName, const char* addName,
                               QListWidget*& list, QLineEdit*& labelField, QLineEdit*& availabilityField) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(geometry);
        caption(listCaption, box, QRect(8, 17, 104, 16));
        list = new QListWidget(box);
        list->setObjectName(QString::fromLatin1(listName));
        list->setGeometry(8, 33, 102, geometry.height() - 41);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        // The labels are right-aligned with blanks: a fixed-width font keeps
        // them in a column.
        QFont mono = formFont(11);
        mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("Monospace")});
        list->setFont(mono);
        caption(QStringLiteral("- oznaka"), box, QRect(118, 17, 112, 16));
        labelField = new QLineEdit(box);
        labelField->setObjectName(QString::fromLatin1(labelEdit));
        labelField->setGeometry(118, 33, 112, 20);
        caption(availabilityCaption, box, QRect(118, 59, 112, 16));
        availabilityField = new QLineEdit(box);
        availabilityField->setObjectName(QString::fromLatin1(availabilityEdit));
        availabilityField->setGeometry(118, 75, 112, 20);
        auto* remove = speedButton(removeName, QStringLiteral("izbaci"), box,
                                   QRect(118, geometry.height() - 36, 54, 28));
        auto* add = speedButton(addName, QStringLiteral("dodaj"), box, QRect(176, geometry.height() - 36, 54, 28));
        return std::pair{remove, add};
    };

    auto [removeNode, addNode] =
        elementGroup("GroupBox1", QStringLiteral("Parametri čvorova ( V ili N )"), QRect(6, 30, 240, 172),
                     QStringLiteral("- popis čvorova"), "ListBox1", "Edit3", "Edit1", QStringLiteral("- raspoloživost"),
                     "SpeedButton1", "SpeedButton2", ListBox1, Edit3, Edit1);
    auto [removeEdge, addEdge] =
        elementGroup("GroupBox2", QStringLiteral("Parametri grana ( E )"), QRect(252, 30, 240, 172),
                     QStringLiteral("- popis grana"), "ListBox2", "Edit4", "Edit2", QStringLiteral("- rasploživost"),
                     "SpeedButton3", "SpeedButton4", ListBox2, Edit4, Edit2);
    connect(removeNode, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(addNode, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(removeEdge, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(addEdge, &QPushButton::clicked, this, [this] { SpeedButton4Click(); });
    // Only a selection the user makes counts: the list's current row also
    // moves by itself (to the first item when the list takes the focus),
    // and that selects nothing.
    auto selectedRow = [](QListWidget* list) {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        return selected.isEmpty() ? -1 : list->row(selected.constFirst());
    };
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this, selectedRow] {
        if (!mirroring_)
            ListBox1Click(selectedRow(ListBox1));
    });
    connect(ListBox2, &QListWidget::itemSelectionChanged, this, [this, selectedRow] {
        if (!mirroring_)
            ListBox2Click(selectedRow(ListBox2));
    });
    // A click on the item already selected shows its values again too.
    connect(ListBox1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!mirroring_)
            ListBox1Click(ListBox1->row(item));
    });
    connect(ListBox2, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (!mirroring_)
            ListBox2Click(ListBox2->row(item));
    });
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->installEventFilter(this);

    auto* direction = new QGroupBox(QStringLiteral("Opis grafa"), this);
    direction->setObjectName(QStringLiteral("GroupBox4"));
    direction->setGeometry(498, 30, 234, 48);
    RadioButton1 = new QRadioButton(QStringLiteral("usmjeren"), direction);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(10, 22, 100, 18);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(QStringLiteral("neusmjeren"), direction);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(116, 22, 110, 18);
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !mirroring_)
            RadioButton1Click();
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !mirroring_)
            RadioButton2Click();
    });

    Image3 = new DirectionPicture(true, this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setGeometry(498, 84, 234, 118);
    Image4 = new DirectionPicture(false, this);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setGeometry(Image3->geometry());

    auto* connection = new QGroupBox(QStringLiteral("Povezanost strukture ( od izlazeće pozicije do ulazeće )"), this);
    connection->setObjectName(QStringLiteral("GroupBox3"));
    connection->setGeometry(6, 208, 486, 108);
    auto combo = [connection](const char* name, const QString& text, int y) {
        caption(text, connection, QRect(8, y + 2, 150, 16));
        auto* box = new QComboBox(connection);
        box->setObjectName(QString::fromLatin1(name));
        QFont mono = formFont(11);
        mono.setFamilies({QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("Monospace")});
        box->setFont(mono);
        box->setGeometry(160, y, 124, 22);
        return box;
    };
    ComboBox1 = combo("ComboBox1", QStringLiteral("- izabrana grana ( Ex )"), 20);
    ComboBox2 = combo("ComboBox2", QStringLiteral("- izlazi iz čvora ( Na )"), 48);
    ComboBox3 = combo("ComboBox3", QStringLiteral("- ulazi u čvor ( Nb )"), 76);
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Change(index); });
    connect(ComboBox2, &QComboBox::activated, this, [this](int index) { ComboBox2Change(index); });
    connect(ComboBox3, &QComboBox::activated, this, [this](int index) { ComboBox3Change(index); });
    Image1 = new DirectionPicture(true, connection);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(300, 18, 178, 82);
    Image2 = new DirectionPicture(false, connection);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(Image1->geometry());

    auto* discard = speedButton("SpeedButton7", QStringLiteral("odbaci  promjene"), this, QRect(498, 214, 234, 46));
    auto* accept = speedButton("SpeedButton8", QStringLiteral("prihvati promjene"), this, QRect(498, 268, 234, 46));
    connect(discard, &QPushButton::clicked, this, [this] { SpeedButton7Click(); });
    connect(accept, &QPushButton::clicked, this, [this] { SpeedButton8Click(); });

    editor_.setErrorReport([this](const std::string& first, const std::string& second) {
        if (errorWindow_)
            errorWindow_->report(this, QString::fromStdString(first), QString::fromStdString(second));
    });
    mirror();
}

template <typename Action>
void TForm5::act(Action&& action)
{
    guarded(std::forward<Action>(action));
    mirror();
}

QLineEdit* TForm5::fieldEdit(StructureEditor::Field field) const
{
    switch (field) {
    case StructureEditor::NodeLabel: return Edit3;
    case StructureEditor::NodeAvailability: return Edit1;
    case StructureEditor::EdgeLabel: return Edit4;
    case StructureEditor::EdgeAvailability: return Edit2;
    }
    return nullptr;
}

void TForm5::mirror()
{
    const QScopedValueRollback<bool> quiet(mirroring_, true);
    auto showList = [](QListWidget* widget, const EditorList& list) {
        const QSignalBlocker block(widget);
        QStringList items;
        for (const std::string& item : list.items)
            items << QString::fromStdString(item);
        bool same = widget->count() == items.size();
        for (int i = 0; same && i < items.size(); ++i)
            same = widget->item(i)->text() == items.at(i);
        if (!same) {
            widget->clear();
            widget->addItems(items);
        }
        widget->setCurrentRow(list.selected);
        if (list.selected < 0)
            widget->clearSelection();
    };
    auto showChoice = [](QComboBox* widget, const EditorList& list) {
        const QSignalBlocker block(widget);
        bool same = widget->count() == static_cast<int>(list.items.size());
        for (int i = 0; same && i < widget->count(); ++i)
            same = widget->itemText(i) == QString::fromStdString(list.items[static_cast<std::size_t>(i)]);
        if (!same) {
            widget->clear();
            for (const std::string& item : list.items)
                widget->addItem(QString::fromStdString(item));
        }
        widget->setCurrentIndex(list.selected);
    };
    showList(ListBox1, editor_.nodeList());
    showList(ListBox2, editor_.edgeList());
    showChoice(ComboBox1, editor_.edgeChoice());
    showChoice(ComboBox2, editor_.leavingChoice());
    showChoice(ComboBox3, editor_.enteringChoice());
    for (auto field : {StructureEditor::NodeLabel, StructureEditor::NodeAvailability, StructureEditor::EdgeLabel,
                       StructureEditor::EdgeAvailability}) {
        QLineEdit* edit = fieldEdit(field);
        const QString text = QString::fromStdString(editor_.text(field));
        if (edit->text() != text)
            edit->setText(text);
    }
    const bool directed = editor_.directed();
    RadioButton1->setChecked(directed);
    RadioButton2->setChecked(!directed);
    Image1->setVisible(directed);
    Image3->setVisible(directed);
    Image2->setVisible(!directed);
    Image4->setVisible(!directed);
}

bool TForm5::directedPicturesShown() const
{
    return !Image1->isHidden() && !Image3->isHidden() && Image2->isHidden() && Image4->isHidden();
}

bool TForm5::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    StructureEditor::Field field = StructureEditor::NodeLabel;
    if (edit == Edit1)
        field = StructureEditor::NodeAvailability;
    else if (edit == Edit2)
        field = StructureEditor::EdgeAvailability;
    else if (edit == Edit4)
        field = StructureEditor::EdgeLabel;
    else if (edit != Edit3)
        return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        // Any key that types a character, Backspace included, marks the
        // field as edited; moving the cursor does not.
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() || key->key() == Qt::Key_Backspace)
            editor_.type(field, edit->text().toStdString());
    } else if (event->type() == QEvent::FocusOut) {
        // Only focus that moves to another control of this window leaves
        // the field; a window that merely loses activation keeps it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            leaveField(field);
    }
    return QWidget::eventFilter(watched, event);
}

void TForm5::leaveField(StructureEditor::Field field)
{
    editor_.setText(field, fieldEdit(field)->text().toStdString());
    act([this, field] { editor_.leave(field); });
}

// --- Handlers ---------------------------------------------------------------------------

void TForm5::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm5::FormShow()
{
    act([this] {
        const StructureWorkspace* ws = host_.workspace ? host_.workspace() : nullptr;
        const bool present = host_.structurePresent && host_.structurePresent();
        const bool directed = host_.mainDirected && host_.mainDirected();
        if (editor_.load(ws, present, directed) && host_.directionChosen)
            host_.directionChosen(directed);
    });
}

void TForm5::ListBox1Click(int row)
{
    act([this, row] { editor_.selectNode(row); });
}

void TForm5::ListBox2Click(int row)
{
    act([this, row] { editor_.selectEdge(row); });
}

void TForm5::Edit1Exit()
{
    leaveField(StructureEditor::NodeAvailability);
}

void TForm5::Edit2Exit()
{
    leaveField(StructureEditor::EdgeAvailability);
}

void TForm5::Edit3Exit()
{
    leaveField(StructureEditor::NodeLabel);
}

void TForm5::Edit4Exit()
{
    leaveField(StructureEditor::EdgeLabel);
}

void TForm5::SpeedButton1Click()
{
    act([this] { editor_.removeNode(); });
}

void TForm5::SpeedButton2Click()
{
    act([this] { editor_.addNode(); });
}

void TForm5::SpeedButton3Click()
{
    act([this] { editor_.removeEdge(); });
}

void TForm5::SpeedButton4Click()
{
    act([this] { editor_.addEdge(); });
}

void TForm5::SpeedButton5Click()
{
    FormShow(); // "reset" loads as a showing does
}

void TForm5::SpeedButton6Click()
{
    act([this] { editor_.fill(); });
}

void TForm5::SpeedButton7Click()
{
    close();
}

void TForm5::SpeedButton8Click()
{
    guarded([this] {
        if (host_.accept)
            host_.accept(editor_);
    });
    close();
}

void TForm5::ComboBox1Change(int index)
{
    act([this, index] { editor_.chooseEdge(index); });
}

void TForm5::ComboBox2Change(int index)
{
    act([this, index] { editor_.chooseLeaving(index); });
}

void TForm5::ComboBox3Change(int index)
{
    act([this, index] { editor_.chooseEntering(index); });
}

void TForm5::directionClicked(bool directed)
{
    act([this, directed] {
        if (editor_.chooseDirection(directed) && host_.directionChosen)
            host_.directionChosen(directed);
    });
}

void TForm5::RadioButton1Click()
{
    directionClicked(true);
}

void TForm5::RadioButton2Click()
{
    directionClicked(false);
}

void TForm5::FormClose()
{
    guarded([this] {
        editor_.close();
        if (host_.closed)
            host_.closed();
    });
}

void TForm5::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept(); // hidden, not destroyed
}

} // namespace velmor
