#pragma once

#include "layout/StructureLayout.h"
#include "layout/StructurePicture.h"

#include <QColor>
#include <QGraphicsView>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGraphicsScene;
class QGraphicsItem;
class QLabel;
class QPushButton;

namespace velmor {

class StructureWorkspace;

// Values to colour the elements by (see TForm10::showElementValues).
struct ElementValues {
    std::vector<double> values;
    QString caption;
};

// Where the picture window takes its structure from.
struct PictureSource {
    // The structure, or nullptr when none is present (nothing is drawn).
    std::function<const StructureWorkspace*()> workspace;
    // The pair and the options of the run the main window would start now.
    std::function<PictureOptions()> options;
    std::function<char()> decimalSeparator;
    // Values that belong to the structure and the options now (the last
    // importance), asked at every fill; none: the picture is not coloured
    // by values unless they are shown by hand.
    std::function<std::optional<ElementValues>()> values;
};

// The colours of the picture: those of the editor's sketch, and grey for
// what the reduction takes out.
inline const QColor kPictureNode(166, 202, 240);
inline const QColor kPictureSource(0, 170, 0);
inline const QColor kPictureDestination(220, 0, 0);
inline const QColor kPictureEdge(0, 0, 160);
inline const QColor kPictureRemovedFill(232, 232, 232);
inline const QColor kPictureRemovedLine(165, 165, 165);

// The colour of a value on the scale of the element values, 0 (lowest) to 1
// (highest): pale yellow through orange to dark brown.
QColor valueColour(double position);

// A view that zooms with the wheel (about the pointer) and pans by dragging.
class PictureView : public QGraphicsView {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);
    double zoom() const;

protected:
    void wheelEvent(QWheelEvent* event) override;
};

// The picture of the present structure: nodes and edges with their labels,
// arrows when it is directed, the source green and the destination red, the
// elements that the reduction for the present pair removes greyed;
// availabilities in the tool tips, or as labels. Laid out by Graphviz.
class TForm10 : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 748;
    static constexpr int kClientHeight = 480;

    TForm10();

    void setSource(PictureSource source) { source_ = std::move(source); }

    // Draws the picture again from the structure and the options.
    void fill();
    // Fills once the events now queued are handled, and only while the
    // window is shown: for changes that come several at a time.
    void scheduleFill();

    // Colours the elements by a value each (indexed by element index, as
    // the element list numbers them; NaN or a missing entry: no value), with
    // a legend under the caption. The values stay through later fills while
    // the structure keeps its number of elements.
    void showElementValues(const std::vector<double>& values, const QString& caption);
    void clearElementValues();

    // Writes the picture as PNG or SVG, after the name's extension (PNG for
    // any other). False when the file cannot be written.
    bool exportPicture(const QString& path);
    // How "Spremi sliku" asks for the file name; tests answer without a dialog.
    using SavePrompt = std::function<std::optional<QString>()>;
    void setSavePrompt(SavePrompt prompt) { savePrompt_ = std::move(prompt); }
    void saveClick();

    // What is drawn, for the tests.
    const StructurePicture& picture() const { return picture_; }
    const StructureLayout& layout() const { return layout_; }
    QGraphicsScene* scene() const { return scene_; }
    PictureView* view() const { return view_; }
    QGraphicsItem* nodeItem(int element) const;
    QGraphicsItem* edgeItem(int element) const;
    int nodeItemCount() const;
    int edgeItemCount() const;
    QColor nodeFill(int element) const;
    QColor nodeOutline(int element) const;
    QColor edgeColour(int element) const;
    QString statusText() const;
    QCheckBox* availabilityLabels() const { return availabilities_; }
    QComboBox* engineChoice() const { return engine_; }
    bool legendShown() const { return legend_ != nullptr; }
    // Every label text of the scene (nodes, edges, legend), for the tests.
    QStringList labelTexts() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void draw();
    void drawLegend(double left, double top);
    void fitPicture();
    QString elementTip(const PictureElement& element, bool node) const;
    QString availabilityText(long double availability) const;
    std::optional<double> valueOf(int element) const;

    PictureSource source_;
    SavePrompt savePrompt_;
    StructurePicture picture_;
    StructureLayout layout_;
    int elementCount_ = 0;
    std::vector<double> values_;
    QString valuesCaption_;
    bool fillPending_ = false;
    bool valuesFromSource_ = false; // the values shown came from source_.values

    PictureView* view_ = nullptr;
    QGraphicsScene* scene_ = nullptr;
    QGraphicsItem* legend_ = nullptr;
    QComboBox* engine_ = nullptr;
    QCheckBox* availabilities_ = nullptr;
    QPushButton* fit_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* status_ = nullptr;
    std::vector<QGraphicsItem*> nodeItems_; // per picture node
    std::vector<QGraphicsItem*> edgeItems_; // per picture edge
};

} // namespace velmor
