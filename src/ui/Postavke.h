#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QRadioButton;

namespace velmor {

class StructureWorkspace;
class TabbedNotebook;
class TForm2;
class UpDown;

// Reads a limit as typed: optional leading blanks, an optional sign and
// decimal digits, nothing else. Returns the absolute value; throws
// std::invalid_argument with its own message when the text is not such an
// integer (an empty text included) or does not fit.
std::int64_t parseLimitText(const std::string& text);

// The advanced settings: thread stack sizes, element behaviour and the
// limits of each algorithm. Every control edits a workspace field directly.
class TForm7 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 401;
    static constexpr int kClientHeight = 217;
    static constexpr int kStackStep = 4096;
    static constexpr int kStackMaximum = 16777216;

    TForm7(StructureWorkspace& workspace, TForm2* errorWindow);

    // One limit group: the two radio buttons, the field and the saved value.
    struct LimitGroup {
        std::int64_t* limit = nullptr;
        QRadioButton* unlimited = nullptr; // "neograničeno"
        QRadioButton* limited = nullptr;   // "ograničeno"
        QLineEdit* edit = nullptr;
        std::int64_t savedLimit = 0;
    };
    // Groups 0..8: memory, time, iterations; each for Abraham, ENR, NPR.
    const LimitGroup& limitGroup(int index) const { return limits_.at(static_cast<std::size_t>(index)); }

    TabbedNotebook* notebook() const { return TabbedNotebook1; }

    // Handlers: UpDown1..UpDown6, RadioButton1..RadioButton24, Edit7..Edit15.
    void FormShow();
    void UpDownClick(int number, bool up);
    void RadioButtonClick(int number);
    void EditChange(int number);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct StackRow {
        int* size = nullptr;
        QLineEdit* edit = nullptr;
        UpDown* upDown = nullptr;
    };
    struct Behaviour {
        std::uint8_t* normal = nullptr;
        QRadioButton* normalButton = nullptr;
        QRadioButton* specialButton = nullptr;
    };

    QWidget* buildStackPage();
    QWidget* buildBehaviourPage();
    QWidget* buildLimitPage(int page, const char* line2, const char* line4);
    static void setFieldState(QLineEdit* edit, bool enabled);

    StructureWorkspace& ws_;
    TForm2* errorWindow_;
    bool refreshing_ = false;
    TabbedNotebook* TabbedNotebook1 = nullptr;
    std::array<StackRow, 6> stacks_{};
    std::array<Behaviour, 3> behaviours_{};
    std::array<LimitGroup, 9> limits_{};
    std::array<QRadioButton*, 25> radios_{}; // by number, 1..24
};

} // namespace velmor
