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

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(formFont(12, true));
    Label1->setGeometry(12, 10, kClientWidth - 24, 40);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(formFont(11));
    Label2->setGeometry(12, 52, kClientWidth - 24, 42);
    for (QLabel* label : {Label1, Label2}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    SpeedButton1 = new QPushButton(pictureIcon(Picture::Confirm), QString(), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);
    SpeedButton1->setIconSize(QSize(24, 24));
    SpeedButton1->setGeometry(12, kClientHeight - 38, kClientWidth - 24, 32);
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

void TForm2::report(QWidget* origin, const QString& first, const QString& second)
{
    centreOverMainWindow();
    Label1->setText(first);
    Label2->setText(second);
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
