#pragma once

#include "platform/SystemInfo.h"
#include "ui/Widgets.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmor {

// The information window: the operating system and the memory figures of
// the machine, and a few words about the program.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 740;
    static constexpr int kClientHeight = 304;
    static constexpr int kEnvironmentWidth = 470;
    static constexpr int kFieldTextMargins = kLineEditTextMargins;

    TForm3();

    // Fill the fields: Edit1 the system, Edit2..Edit7 the six figures.
    void fill(const QString& osDescription, const MemoryStatus& memory);
    void fill(const QString& osDescription, const MemoryStatus& memory, const QString& thousandsSeparator);

    QString field(int number) const; // Edit1..Edit7

    void SpeedButton1Click();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* slikeinfo = nullptr;
    QLineEdit* edits_[7] = {};
    QPushButton* SpeedButton1 = nullptr;
};

} // namespace velmor
