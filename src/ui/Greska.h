#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QPushButton;

namespace velmor {

class WrappedText;

// The error window: two lines and a button that closes it. It is never
// modal; the window in which the error arose stays disabled until it closes.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 361;
    static constexpr int kClientHeight = 137;
    static constexpr int kButtonTop = kClientHeight - 38;

    explicit TForm2(QWidget* mainWindow);

    // The windows whose enabled state the close rule looks at.
    void setPeers(QWidget* editor, QWidget* settings);

    // Report an error: centre over the main window, set both lines (either
    // may be empty), disable `origin`, show without waiting.
    void report(QWidget* origin, const QString& first, const QString& second);

    QString firstLine() const;
    QString secondLine() const;

    // Close rule: with the editor and the settings window both enabled the
    // main window is enabled again; otherwise whichever of those two is
    // disabled is enabled and the main window stays as it is. When errors of
    // the main window and of the settings window were both pending, the main
    // window is enabled as well (unless the open editor holds it disabled),
    // since no later close would enable it.
    void FormClose();
    void SpeedButton1Click();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void centreOverMainWindow();
    void layOutLines();

    QWidget* main_;
    QWidget* editor_ = nullptr;
    QWidget* settings_ = nullptr;
    QList<QPointer<QWidget>> origins_; // windows disabled by the pending reports
    WrappedText* Label1 = nullptr;
    WrappedText* Label2 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
};

} // namespace velmor
