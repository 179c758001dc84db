#include "ui/Widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextLayout>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

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

void setOwnerWindow(QWidget* window, QWidget* owner)
{
    if (!window || !owner || window == owner)
        return;
    // Window systems keep a window above its owner only for a secondary
    // (dialog) window; the type must be set before the native window exists.
    if (window->windowType() != Qt::Dialog && !window->testAttribute(Qt::WA_WState_Created))
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    // Both need their native windows for the relation to be set.
    window->winId();
    owner->winId();
    if (window->windowHandle() && window->windowHandle()->transientParent() != owner->windowHandle())
        window->windowHandle()->setTransientParent(owner->windowHandle());
}

QFont fittedFont(const QFont& base, const QString& text, int width, int minimumPixelSize)
{
    QFont font = base;
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    for (; size > minimumPixelSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            return font;
    }
    font.setPixelSize(minimumPixelSize);
    return font;
}

// --- ProgressLabel ----------------------------------------------------------

ProgressLabel::ProgressLabel(QWidget* parent) : QLabel(parent)
{
    // Room for two lines from the start, so that the layout does not move
    // when the counts grow.
    setFixedHeight(2 * fontMetrics().height());
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QStringList ProgressLabel::shownLines() const
{
    const QString shown = text();
    const int slash = shown.indexOf(QLatin1Char('/'));
    if (fontMetrics().horizontalAdvance(shown) <= contentsRect().width() || slash < 0)
        return {shown};
    return {shown.left(slash + 1), shown.mid(slash + 1)};
}

QSize ProgressLabel::sizeHint() const
{
    return minimumSizeHint();
}

QSize ProgressLabel::minimumSizeHint() const
{
    int width = 0;
    for (const QString& part : text().split(QLatin1Char('/')))
        width = std::max(width, fontMetrics().horizontalAdvance(part + QLatin1Char('/')));
    return {width, 2 * fontMetrics().height()};
}

void ProgressLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, shownLines().join(QLatin1Char('\n')));
}

// --- WrappedText ------------------------------------------------------------

WrappedText::WrappedText(QWidget* parent, int minimumPixelSize) : QLabel(parent), minimumPixelSize_(minimumPixelSize)
{
    setWordWrap(true);
}

int WrappedText::layoutHeight(const QFont& font, int width) const
{
    QTextLayout layout(text(), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height += line.height();
    }
    layout.endLayout();
    return static_cast<int>(std::ceil(height));
}

int WrappedText::heightFor(int width) const
{
    return text().isEmpty() ? 0 : layoutHeight(font(), width);
}

QFont WrappedText::shownFont() const
{
    QFont shown = font();
    const QRect room = contentsRect();
    int size = shown.pixelSize() > 0 ? shown.pixelSize() : QFontInfo(shown).pixelSize();
    for (; size > minimumPixelSize_; --size) {
        shown.setPixelSize(size);
        if (layoutHeight(shown, room.width()) <= room.height())
            return shown;
    }
    shown.setPixelSize(minimumPixelSize_);
    return shown;
}

bool WrappedText::fits() const
{
    return layoutHeight(shownFont(), contentsRect().width()) <= contentsRect().height();
}

void WrappedText::paintEvent(QPaintEvent*)
{
    if (text().isEmpty())
        return;
    const QRect room = contentsRect();
    QTextLayout layout(text(), shownFont());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    // Centred in the room when it is higher than the text, from its top otherwise.
    const qreal top = room.top() + std::max<qreal>(0, (room.height() - height) / 2);
    layout.draw(&painter, QPointF(room.left(), top));
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
