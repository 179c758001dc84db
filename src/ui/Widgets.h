#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QStringList>
#include <QWidget>

class QStackedWidget;
class QToolButton;

namespace velmor {

// The font every window is laid out for. The windows have fixed sizes, so
// they do not take the desktop's font, which could be of any size.
QFont formFont(int pixelSize = 11, bool bold = false);

// Gives a widget a solid background of its own.
void paintBackground(QWidget* widget, const QColor& colour);

// Window decorations of a window that cannot be resized or maximised.
void setFixedWindowFlags(QWidget* window);

// Fixes a top-level window's client area and keeps it from being resized or
// maximised.
void fixClientSize(QWidget* window, int width, int height);

// Makes a top-level window belong to `owner` for the window manager
// (transient for it): it stays above its owner, also when the user clicks
// the owner while it is disabled. The owner is not its parent widget, so
// disabling the owner leaves the window usable.
void setOwnerWindow(QWidget* window, QWidget* owner);

// What a line edit's frame and inner margins take of its width.
inline constexpr int kLineEditTextMargins = 8;

// `base` at the largest pixel size, from its own down to `minimumPixelSize`,
// at which `text` fits `width` on one line.
QFont fittedFont(const QFont& base, const QString& text, int width, int minimumPixelSize);

// A run's progress, "done/total": on one line when it fits, otherwise broken
// after the "/", so that both counts always show whole.
class ProgressLabel : public QLabel {
    Q_OBJECT
public:
    explicit ProgressLabel(QWidget* parent = nullptr);
    // The lines in which the text shows at the label's present width.
    QStringList shownLines() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A text of any length in a fixed room: wrapped at word boundaries (and
// inside a word longer than a line), in a smaller font when the room is too
// low for it, down to `minimumPixelSize`.
class WrappedText : public QLabel {
    Q_OBJECT
public:
    explicit WrappedText(QWidget* parent = nullptr, int minimumPixelSize = 8);
    // The height that the text needs at `width` in the label's own font.
    int heightFor(int width) const;
    // The font in which the text shows in the present room, and whether it
    // fits there.
    QFont shownFont() const;
    bool fits() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int layoutHeight(const QFont& font, int width) const;
    int minimumPixelSize_;
};

// Status lamp: a small rounded square filled with one colour.
class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);
    void setFill(const QColor& colour);
    QColor fill() const { return fill_; }
    QSize sizeHint() const override { return {14, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

// Up-down control: two arrow buttons that move a position within a range,
// one step per press, without wrapping. It reports a press only when the
// position moved, so at either end of the range a press reports nothing.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setPosition(int position);
    int position() const { return position_; }

    // The same as pressing the up or the down arrow.
    void press(bool up);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void clicked(bool up);

private:
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

// Tabbed notebook with a fixed number of tabs to a row. The tabs of a row
// share its width and their captions wrap when a caption is wider than its
// tab; the row of the chosen page stands next to the page, as on a notebook.
class TabbedNotebook : public QWidget {
    Q_OBJECT
public:
    explicit TabbedNotebook(int tabsPerRow, QWidget* parent = nullptr);

    void addPage(QWidget* page, const QString& caption);
    int count() const { return captions_.size(); }
    QString tabText(int index) const { return captions_.value(index); }
    QWidget* page(int index) const;
    int currentIndex() const { return current_; }
    void setCurrentIndex(int index);
    int tabsPerRow() const { return tabsPerRow_; }
    int rowCount() const;
    // Where the tab of a page stands, in the notebook's coordinates.
    QRect tabRect(int index) const;

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int tabHeight() const;
    int displayRow(int tabRow) const;
    void layoutPages();

    int tabsPerRow_;
    QStringList captions_;
    QStackedWidget* pages_ = nullptr;
    int current_ = -1;
};

} // namespace velmor
