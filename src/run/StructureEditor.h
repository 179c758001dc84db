#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace velmor {

class StructureWorkspace;

// A sorted list box or drop-down list as the editor sees it: its items in
// text order (the label display form makes that numeric order) and the
// selected item.
struct EditorList {
    std::vector<std::string> items;
    int selected = -1;

    std::string selectedItem() const
    {
        return selected >= 0 && selected < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(selected)]
                                                                            : std::string();
    }
    // Adds an item where the sort puts it; the selected item stays selected.
    void insert(const std::string& item);
    void removeSelected();
    // Selects the item that holds `label`; none when there is no such item.
    void selectLabel(std::int32_t label);
    int find(const std::string& item) const;
    void clear()
    {
        items.clear();
        selected = -1;
    }
};

// The structure editor without widgets: private copies of the structure,
// the lists and drop-downs built from them, the four edit fields with their
// "typed into" flags, and every operation of the editor's window. The window
// only mirrors this state and forwards the user's input.
class StructureEditor {
public:
    enum Field { NodeLabel, NodeAvailability, EdgeLabel, EdgeAvailability }; // Edit3, Edit1, Edit4, Edit2
    using ErrorReport = std::function<void(const std::string& first, const std::string& second)>;

    explicit StructureEditor(char decimalSeparator = '.') : separator_(decimalSeparator) {}

    // Internal consistency errors go here (the window shows the error window).
    void setErrorReport(ErrorReport report) { reportError_ = std::move(report); }
    void setDecimalSeparator(char separator) { separator_ = separator; }

    // Shown or "reset": the direction from the main window; the private copies
    // from the workspace when a structure is present; then fill. Returns true
    // when the editor's direction buttons changed, so that their reaction
    // (the main window's direction) runs.
    bool load(const StructureWorkspace* ws, bool structurePresent, bool mainDirected);
    void fill();          // "osvježi"
    void refillChoices(); // the three drop-downs

    // "usmjeren" (true) or "neusmjeren" chosen: the pictures follow; true when
    // the choice changed.
    bool chooseDirection(bool directed);
    bool directed() const { return directed_; }

    // List selection (-1: none).
    void selectNode(int index);
    void selectEdge(int index);

    // A character key typed into a field (its whole new text).
    void type(Field field, const std::string& text);
    // Focus leaves a field.
    void leave(Field field);

    void addNode() { add(NodeKind); }
    void addEdge() { add(EdgeKind); }
    void removeNode() { remove(NodeKind); }
    void removeEdge() { remove(EdgeKind); }

    void chooseEdge(int index);     // ComboBox1
    void chooseLeaving(int index);  // ComboBox2
    void chooseEntering(int index); // ComboBox3

    // Closing, in any way: the private copies are emptied.
    void close();

    // State, for the window and for tests.
    const ElementList& elements() const { return elements_; }
    const ByteMatrix& directedMatrix() const { return directedMatrix_; }
    const ByteMatrix& undirectedMatrix() const { return undirectedMatrix_; }
    int maxNodeLabel() const { return maxNodeLabel_; }
    int maxEdgeLabel() const { return maxEdgeLabel_; }
    const EditorList& nodeList() const { return nodeList_; }       // ListBox1
    const EditorList& edgeList() const { return edgeList_; }       // ListBox2
    const EditorList& edgeChoice() const { return edgeChoice_; }   // ComboBox1
    const EditorList& leavingChoice() const { return leavingChoice_; }   // ComboBox2
    const EditorList& enteringChoice() const { return enteringChoice_; } // ComboBox3
    const std::string& text(Field field) const { return fields_[field].text; }
    bool edited(Field field) const { return fields_[field].edited; }

    // Field texts that the window may set without the user (e.g. while it
    // mirrors); they do not count as typed.
    void setText(Field field, const std::string& text) { fields_[field].text = text; }

private:
    struct EditField {
        std::string text;
        bool edited = false;
    };

    void add(std::int32_t kind);
    void remove(std::int32_t kind);
    void commitLabel(std::int32_t kind);
    void commitAvailability(std::int32_t kind);
    void showConnection();
    void connect(int index, bool leaving);
    void report(const char* first, const char* second);
    void growMatrices();
    int largestLabel(std::int32_t kind) const;
    // The element (index) behind the selected item of a list, or -1.
    int selectedElement(const EditorList& list, std::int32_t kind) const;

    EditorList& listOf(std::int32_t kind) { return kind == NodeKind ? nodeList_ : edgeList_; }
    int& maxOf(std::int32_t kind) { return kind == NodeKind ? maxNodeLabel_ : maxEdgeLabel_; }
    static Field labelField(std::int32_t kind) { return kind == NodeKind ? NodeLabel : EdgeLabel; }
    static Field availabilityField(std::int32_t kind) { return kind == NodeKind ? NodeAvailability : EdgeAvailability; }

    ElementList elements_;
    ByteMatrix directedMatrix_;
    ByteMatrix undirectedMatrix_;
    int maxNodeLabel_ = 0;
    int maxEdgeLabel_ = 0;
    EditorList nodeList_;
    EditorList edgeList_;
    EditorList edgeChoice_;
    EditorList leavingChoice_;
    EditorList enteringChoice_;
    std::array<EditField, 4> fields_;
    bool directed_ = true; // "usmjeren" is checked when the window is made
    char separator_;
    ErrorReport reportError_;
};

// Reading an edit field as the editor does: a whole integer, or a decimal
// number with the given separator. A text that is not one throws
// std::invalid_argument with the message the user sees.
std::int32_t parseLabelText(const std::string& text);
long double parseAvailabilityText(const std::string& text, char decimalSeparator);

} // namespace velmor
