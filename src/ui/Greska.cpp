#include "ui/Greska.h"

#include "ui/Icons.h"
#include "ui/Widgets.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace velmor {

TForm2::TForm2(QWidget* mainWindow) : QWidget(nullptr), main_(mainWindow)
{
    // A window of its own, not a child of the main window: disabling the
    // main window must leave this one usable.
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Greška"));
    setFont(formFont());
    fixClientSize(this, kClientWidth, kClientHeight);
    paintBackground(this, Qt::white);

    Label1 = new WrappedText(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(formFont(12, true));
    Label2 = new WrappedText(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(formFont(11));
    layOutLines();

    SpeedButton1 = new QPushButton(pictureIcon(Picture::Confirm), QString(), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setIconSize(QSize(24, 24));
    SpeedButton1->setGeometry(12, kButtonTop, kClientWidth - 24, 32);
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
}

void TForm2::setPeers(QWidget* editor, QWidget* settings)
{
    editor_ = editor;
    settings_ = settings;
}

void TForm2::centreOverMainWindow()
{
    if (!main_)
        return;
    const QRect main = main_->frameGeometry();
    const QRect own = frameGeometry();
    move(main.left() + main.width() / 2 - own.width() / 2, main.top() + main.height() / 2 - own.height() / 2);
}

// The two lines share the room above the button: together in its middle
// when they fit, otherwise the first takes up to half of it and the second
// the rest, in a smaller font if it must.
void TForm2::layOutLines()
{
    const int left = 12;
    const int width = kClientWidth - 2 * left;
    const int top = 8;
    const int room = kButtonTop - 4 - top;
    const int gap = 4;
    const int first = std::max(Label1->heightFor(width), Label1->fontMetrics().height());
    const int second = std::max(Label2->heightFor(width), Label2->fontMetrics().height());
    if (first + gap + second <= room) {
        const int start = top + (room - first - gap - second) / 2;
        Label1->setGeometry(left, start, width, first);
        Label2->setGeometry(left, start + first + gap, width, second);
        return;
    }
    const int firstRoom = std::min(first, room / 2);
    Label1->setGeometry(left, top, width, firstRoom);
    Label2->setGeometry(left, top + firstRoom + gap, width, room - firstRoom - gap);
}

void TForm2::report(QWidget* origin, const QString& first, const QString& second)
{
    // Above the window whose error it shows: a click on that disabled window
    // must not hide it.
    setOwnerWindow(this, origin ? origin->window() : main_);
    centreOverMainWindow();
    Label1->setText(first);
    Label2->setText(second);
    layOutLines();
    if (origin) {
        origin->setEnabled(false);
        if (!origins_.contains(origin))
            origins_.append(origin);
    }
    show();
    centreOverMainWindow(); // its frame is known once it shows
    raise();
}

QString TForm2::firstLine() const
{
    return Label1->text();
}

QString TForm2::secondLine() const
{
    return Label2->text();
}

void TForm2::SpeedButton1Click()
{
    close();
}

void TForm2::FormClose()
{
    const bool editorEnabled = !editor_ || editor_->isEnabled();
    const bool settingsEnabled = !settings_ || settings_->isEnabled();
    if (editorEnabled && settingsEnabled) {
        if (main_ && !main_->isEnabled())
            main_->setEnabled(true);
    } else {
        if (editor_ && !editor_->isEnabled())
            editor_->setEnabled(true);
        if (settings_ && !settings_->isEnabled())
            settings_->setEnabled(true);
        const bool editorOpen = editor_ && editor_->isVisible();
        if (main_ && !main_->isEnabled() && origins_.contains(main_) && !editorOpen)
            main_->setEnabled(true);
    }
    origins_.clear();
    emit closed();
}

void TForm2::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept(); // hidden, not destroyed
}

} // namespace velmor
