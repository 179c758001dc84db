#include "ui/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmor {

QFont formFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void paintBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setFixedWindowFlags(QWidget* window)
{
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                           | Qt::MSWindowsFixedSizeDialogHint);
}

void fixClientSize(QWidget* window, int width, int height)
{
    setFixedWindowFlags(window);
    window->setFixedSize(width, height);
}

// --- Lamp -------------------------------------------------------------------

Lamp::Lamp(QWidget* parent) : QWidget(parent), fill_(166, 202, 240)
{
    setFixedSize(sizeHint());
}

void Lamp::setFill(const QColor& colour)
{
    if (colour == fill_)
        return;
    fill_ = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill_);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

// --- UpDown -----------------------------------------------------------------

UpDown::UpDown(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(7, 7));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { press(true); });
    connect(down_, &QToolButton::clicked, this, [this] { press(false); });
    setFixedWidth(16);
}

void UpDown::setRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
}

void UpDown::setPosition(int position)
{
    position_ = std::clamp(position, minimum_, maximum_);
}

void UpDown::press(bool up)
{
    const int next = up ? position_ + 1 : position_ - 1;
    if (next < minimum_ || next > maximum_)
        return;
    position_ = next;
    emit clicked(up);
}

// --- TabbedNotebook ---------------------------------------------------------

TabbedNotebook::TabbedNotebook(int tabsPerRow, QWidget* parent) : QWidget(parent), tabsPerRow_(std::max(1, tabsPerRow))
{
    pages_ = new QStackedWidget(this);
}

void TabbedNotebook::addPage(QWidget* page, const QString& caption)
{
    captions_.append(caption);
    pages_->addWidget(page);
    if (current_ < 0)
        setCurrentIndex(0);
    layoutPages();
    update();
}

QWidget* TabbedNotebook::page(int index) const
{
    return pages_->widget(index);
}

void TabbedNotebook::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == current_)
        return;
    current_ = index;
    pages_->setCurrentIndex(index);
    update();
    emit currentChanged(index);
}

int TabbedNotebook::rowCount() const
{
    return (count() + tabsPerRow_ - 1) / tabsPerRow_;
}

int TabbedNotebook::tabHeight() const
{
    const QFontMetrics metrics(font());
    const int width = std::max(1, this->width() / tabsPerRow_ - 10);
    int height = metrics.height();
    for (const QString& caption : captions_)
        height = std::max(height, metrics.boundingRect(QRect(0, 0, width, 1000), Qt::TextWordWrap, caption).height());
    return height + 5;
}

int TabbedNotebook::displayRow(int tabRow) const
{
    const int rows = rowCount();
    const int chosenRow = current_ < 0 ? rows - 1 : current_ / tabsPerRow_;
    return (tabRow - chosenRow - 1 + 2 * rows) % rows;
}

QRect TabbedNotebook::tabRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    const int column = index % tabsPerRow_;
    const int tabWidth = width() / tabsPerRow_;
    const int left = column * tabWidth;
    const int right = column == tabsPerRow_ - 1 ? width() : left + tabWidth;
    const int height = tabHeight();
    return QRect(left, displayRow(index / tabsPerRow_) * height, right - left, height);
}

void TabbedNotebook::layoutPages()
{
    const int top = rowCount() * tabHeight();
    pages_->setGeometry(QRect(0, top, width(), height() - top).adjusted(2, 2, -2, -2));
}

void TabbedNotebook::resizeEvent(QResizeEvent*)
{
    layoutPages();
}

void TabbedNotebook::mousePressEvent(QMouseEvent* event)
{
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(event->position().toPoint())) {
            setCurrentIndex(i);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TabbedNotebook::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int top = rowCount() * tabHeight();

    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, top, width(), height() - top);
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);

    // The chosen tab last, so that it overlaps the frame and its neighbours.
    QList<int> order;
    for (int i = 0; i < count(); ++i)
        if (i != current_)
            order.append(i);
    if (current_ >= 0)
        order.append(current_);

    for (int i : order) {
        QStyleOptionTab tab;
        tab.initFrom(this);
        tab.rect = tabRect(i);
        tab.shape = QTabBar::RoundedNorth;
        const int column = i % tabsPerRow_;
        const int inRow = std::min(tabsPerRow_, count() - (i / tabsPerRow_) * tabsPerRow_);
        tab.position = inRow == 1 ? QStyleOptionTab::OnlyOneTab
                       : column == 0 ? QStyleOptionTab::Beginning
                       : column == inRow - 1 ? QStyleOptionTab::End
                                              : QStyleOptionTab::Middle;
        tab.state &= ~QStyle::State_HasFocus;
        if (i == current_)
            tab.state |= QStyle::State_Selected;
        style()->drawControl(QStyle::CE_TabBarTabShape, &tab, &painter, this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(tab.rect.adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, captions_.at(i));
    }
}

} // namespace velmor
