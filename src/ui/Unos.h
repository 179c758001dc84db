#pragma once

#include "run/StructureEditor.h"

#include <QWidget>

#include <array>
#include <functional>

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace velmor {

class StructureWorkspace;
class TForm2;

// A small illustration of a structure: three nodes joined by edges, with
// arrows when it is directed.
class DirectionPicture : public QWidget {
    Q_OBJECT
public:
    DirectionPicture(bool directed, QWidget* parent = nullptr);
    bool directed() const { return directed_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool directed_;
};

// What the editor needs of the main window. Without it the editor starts
// empty and changes nothing outside itself.
struct EditorHost {
    std::function<bool()> mainDirected;       // the main window's RadioButton1 is checked
    std::function<bool()> structurePresent;
    std::function<const StructureWorkspace*()> workspace;
    std::function<void(bool directed)> directionChosen; // check the main window's RadioButton1 / 2
    std::function<void(const StructureEditor&)> accept;  // "prihvati promjene"
    std::function<void()> closed;                        // every way of closing
};

// The structure editor: mirrors a StructureEditor and forwards the user's
// input to it.
class TForm5 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 738;
    static constexpr int kClientHeight = 321;

    TForm5();

    void setHost(EditorHost host) { host_ = std::move(host); }
    void setErrorWindow(TForm2* errorWindow) { errorWindow_ = errorWindow; }

    StructureEditor& editor() { return editor_; }
    // Shows the editor's state in the widgets.
    void mirror();

    // Handlers, named after their components.
    void FormShow();
    void ListBox1Click(int row);
    void ListBox2Click(int row);
    void Edit1Exit();
    void Edit2Exit();
    void Edit3Exit();
    void Edit4Exit();
    void SpeedButton1Click(); // izbaci (node)
    void SpeedButton2Click(); // dodaj (node)
    void SpeedButton3Click(); // izbaci (edge)
    void SpeedButton4Click(); // dodaj (edge)
    void SpeedButton5Click(); // reset
    void SpeedButton6Click(); // osvježi
    void SpeedButton7Click(); // odbaci  promjene
    void SpeedButton8Click(); // prihvati promjene
    void ComboBox1Change(int index);
    void ComboBox2Change(int index);
    void ComboBox3Change(int index);
    void RadioButton1Click();
    void RadioButton2Click();
    void FormClose();

    // Pictures of the present direction (Image1/Image3 directed, Image2/Image4 undirected).
    bool directedPicturesShown() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Action>
    void act(Action&& action);
    void leaveField(StructureEditor::Field field);
    void directionClicked(bool directed);
    QLineEdit* fieldEdit(StructureEditor::Field field) const;

    StructureEditor editor_;
    EditorHost host_;
    TForm2* errorWindow_ = nullptr;
    bool mirroring_ = false;

    QListWidget* ListBox1 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    DirectionPicture* Image1 = nullptr;
    DirectionPicture* Image2 = nullptr;
    DirectionPicture* Image3 = nullptr;
    DirectionPicture* Image4 = nullptr;
};

} // namespace velmor
