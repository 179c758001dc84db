#include "ui/Info.h"

#include "ui/Icons.h"
#include "ui/Widgets.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef VELMOR_VERSION
#define VELMOR_VERSION "0.1.0"
#endif

namespace velmor {

namespace {

QFrame* raisedFrame(QWidget* parent, const QRect& geometry)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    frame->setGeometry(geometry);
    return frame;
}

QLabel* heading(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(formFont(12, true));
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

} // namespace

TForm3::TForm3() : QWidget(nullptr)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Informacije o okruženju i autoru"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);

    slikeinfo = new QLabel(this);
    slikeinfo->setObjectName(QStringLiteral("slikeinfo"));
    slikeinfo->setGeometry(rect());
    slikeinfo->setScaledContents(true);
    slikeinfo->setPixmap(informationBackground(size()));

    // Left: the environment. The system's description can be long: its
    // field takes the whole width of the frame, under its caption.
    QFrame* environment = raisedFrame(this, QRect(8, 8, kEnvironmentWidth, 250));
    environment->setObjectName(QStringLiteral("Panel1"));
    auto* left = new QGridLayout(environment);
    left->setContentsMargins(10, 8, 10, 8);
    left->setVerticalSpacing(4);
    left->addWidget(heading(QStringLiteral("Okruženje u kojem program radi"), environment), 0, 0, 1, 2);
    const char* captions[] = {"Operacijski sustav", "Ukupni resursi",   "Slobodni resursi",  "Ukupno stranica",
                              "Slobodno stranica",  "Ukupno virtualne", "Slobodno virtualne"};
    for (int i = 0; i < 7; ++i) {
        auto* caption = new QLabel(QString::fromUtf8(captions[i]), environment);
        auto* edit = new QLineEdit(environment);
        edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
        edit->setReadOnly(true);
        edit->setFixedHeight(22);
        edits_[i] = edit;
        if (i == 0) {
            left->addWidget(caption, 1, 0, 1, 2);
            left->addWidget(edit, 2, 0, 1, 2);
            continue;
        }
        edit->setAlignment(Qt::AlignRight);
        left->addWidget(caption, i + 2, 0);
        left->addWidget(edit, i + 2, 1);
    }
    left->setColumnStretch(1, 1);

    // Right: the program.
    const int programLeft = 8 + kEnvironmentWidth + 8;
    QFrame* program = raisedFrame(this, QRect(programLeft, 8, kClientWidth - 8 - programLeft, 250));
    program->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(program);
    right->setContentsMargins(10, 8, 10, 8);
    right->setSpacing(2);
    right->addWidget(heading(QStringLiteral("Informacije o programu i autoru"), program));
    right->addSpacing(6);
    const char* lines[] = {
        "Velmor, inačica " VELMOR_VERSION,
        "program za računanje",
        "dvoterminalne raspoloživosti",
        "složenih mrežnih struktura",
        "",
        "Algoritmi: Abraham (disjunktni",
        "produkti), NPR i ENR",
        "(stabla rješenja)",
        "",
        "Izradio razvojni tim",
        "programa Velmor",
    };
    for (const char* line : lines) {
        auto* label = new QLabel(QString::fromUtf8(line), program);
        label->setAlignment(Qt::AlignHCenter);
        right->addWidget(label);
    }
    right->addStretch(1);

    SpeedButton1 = new QPushButton(pictureIcon(Picture::Confirm), QString(), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setIconSize(QSize(24, 24));
    SpeedButton1->setGeometry(8, 266, kClientWidth - 16, 32);
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
}

void TForm3::fill(const QString& osDescription, const MemoryStatus& memory)
{
    fill(osDescription, memory, QLocale::system().groupSeparator());
}

void TForm3::fill(const QString& osDescription, const MemoryStatus& memory, const QString& thousandsSeparator)
{
    // The whole description in the field's width, in a smaller font if it must.
    edits_[0]->parentWidget()->layout()->activate();
    edits_[0]->setFont(fittedFont(font(), osDescription, edits_[0]->width() - kFieldTextMargins, 8));
    edits_[0]->setText(osDescription);
    edits_[0]->setCursorPosition(0);
    edits_[0]->setToolTip(osDescription);
    const std::uint64_t figures[6] = {memory.totalPhysical,     memory.availablePhysical, memory.totalPageFile,
                                      memory.availablePageFile, memory.totalVirtual,      memory.availableVirtual};
    const std::string separator = thousandsSeparator.toStdString();
    for (int i = 0; i < 6; ++i)
        edits_[i + 1]->setText(QString::fromStdString(formatKilobytes(figures[i], separator)));
}

QString TForm3::field(int number) const
{
    return number >= 1 && number <= 7 ? edits_[number - 1]->text() : QString();
}

void TForm3::SpeedButton1Click()
{
    close();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    emit closed();
    event->accept();
}

} // namespace velmor
