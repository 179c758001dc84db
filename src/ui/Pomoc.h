#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace velmor {

inline constexpr const char* kHelpFileName = "Velmor.txt";

// The help window: the text of Velmor.txt from the working directory, read
// once while the window is created.
class TForm6 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 740;
    static constexpr int kClientHeight = 321;

    // Throws std::runtime_error when the help file exists but cannot be read.
    TForm6();

    QPlainTextEdit* memo() const { return Memo1; }

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void readHelpFile();

    QPlainTextEdit* Memo1 = nullptr;
};

} // namespace velmor
