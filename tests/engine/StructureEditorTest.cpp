// The structure editor without its window: lists, fields, labels,
// availabilities, connections, and a structure built in it becoming the
// present one.

#include "ControllerFixture.h"

#include "algorithms/AlgorithmTraits.h"
#include "run/StructureEditor.h"

#include <stdexcept>

using namespace velmor;
using namespace velmor::testing;

namespace {

using Items = std::vector<std::string>;

std::string kExampleFile()
{
    return VELMOR_EXAMPLES_DIR "/primjer.dsm";
}
using F = StructureEditor::Field;

struct ErrorLog {
    std::vector<std::pair<std::string, std::string>> errors;
    StructureEditor::ErrorReport report()
    {
        return [this](const std::string& first, const std::string& second) { errors.emplace_back(first, second); };
    }
};

Items labels(std::initializer_list<int> values)
{
    Items items;
    for (int v : values)
        items.push_back(labelText(v));
    return items;
}

// Types a text into a field and leaves it, as the user does.
void enter(StructureEditor& editor, F field, const std::string& text)
{
    editor.type(field, text);
    editor.leave(field);
}

// Rows of a matrix, row by row, for readable comparisons.
std::vector<std::vector<int>> cellsOf(const ByteMatrix& m)
{
    std::vector<std::vector<int>> rows;
    for (int r = 0; r <= m.lastRow(); ++r) {
        rows.emplace_back();
        for (int c = 0; c <= m.lastColumn(); ++c)
            rows.back().push_back(m.get(c, r));
    }
    return rows;
}

} // namespace

TEST(StructureEditor, StartsEmptyAndAddsNumberedElementsOfAvailability0)
{
    StructureEditor editor;
    editor.load(nullptr, false, true);
    EXPECT_TRUE(editor.nodeList().items.empty());
    EXPECT_TRUE(editor.edgeList().items.empty());

    editor.addNode();
    editor.addEdge();
    EXPECT_EQ(editor.nodeList().items, labels({1}));
    EXPECT_EQ(editor.edgeList().items, labels({1}));
    ASSERT_EQ(editor.elements().count(), 2);
    const ElementEntry* node = editor.elements().entryAt(0);
    EXPECT_EQ(node->label, 1);
    EXPECT_EQ(node->kind, NodeKind);
    EXPECT_EQ(node->availability, 0);
    EXPECT_EQ(editor.elements().entryAt(1)->kind, EdgeKind);
    // One row and column per element.
    EXPECT_EQ(editor.directedMatrix().columnCount(), 2);
    EXPECT_EQ(editor.directedMatrix().rowCount(), 2);
    EXPECT_EQ(editor.undirectedMatrix().columnCount(), 2);
    // The drop-downs follow every add; the first edge is chosen.
    EXPECT_EQ(editor.leavingChoice().items, labels({1}));
    EXPECT_EQ(editor.edgeChoice().selected, 0);

    // Lists stay in numeric order beyond one digit.
    for (int i = 0; i < 10; ++i)
        editor.addNode();
    EXPECT_EQ(editor.nodeList().items.back(), labelText(11));
    EXPECT_EQ(editor.nodeList().items[1], labelText(2));
}

TEST(StructureEditor, RemovingLowersTheNextLabelOnlyForTheLargest)
{
    StructureEditor editor;
    editor.load(nullptr, false, true);
    for (int i = 0; i < 3; ++i)
        editor.addNode();
    editor.selectNode(1); // node 2
    editor.removeNode();
    EXPECT_EQ(editor.nodeList().items, labels({1, 3}));
    editor.addNode();
    EXPECT_EQ(editor.nodeList().items, labels({1, 3, 4}));

    StructureEditor other;
    other.load(nullptr, false, true);
    for (int i = 0; i < 3; ++i)
        other.addNode();
    other.selectNode(2); // node 3
    other.removeNode();
    other.addNode();
    EXPECT_EQ(other.nodeList().items, labels({1, 2, 3}));

    // Indices stay dense and the matrices shrink with the list.
    EXPECT_EQ(other.elements().entryAt(2)->index, 2);
    EXPECT_EQ(other.directedMatrix().columnCount(), 3);

    // Nothing is removed without a selection.
    other.selectNode(-1);
    other.removeNode();
    EXPECT_EQ(other.elements().count(), 3);
}

TEST(StructureEditor, SelectingShowsLabelAndAvailabilityWithoutMarkingAnEdit)
{
    StructureEditor editor;
    editor.load(nullptr, false, true);
    editor.addNode();
    editor.selectNode(0);
    enter(editor, F::NodeAvailability, "0.25");
    editor.selectNode(-1);
    EXPECT_EQ(editor.text(F::NodeLabel), "");
    EXPECT_EQ(editor.text(F::NodeAvailability), "");
    editor.selectNode(0);
    EXPECT_EQ(editor.text(F::NodeLabel), "1");
    EXPECT_EQ(editor.text(F::NodeAvailability), "0.25");
    EXPECT_FALSE(editor.edited(F::NodeLabel));

    // Leaving a field that was only set by the selection commits nothing,
    // even when its text was changed by the program.
    editor.setText(F::NodeLabel, "9");
    editor.leave(F::NodeLabel);
    EXPECT_EQ(editor.elements().entryAt(0)->label, 1);
    // Nor does entering and leaving without typing.
    editor.leave(F::NodeAvailability);
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 0.25L);

    // Typed with no selection: the field is emptied.
    editor.selectNode(-1);
    enter(editor, F::NodeLabel, "5");
    EXPECT_EQ(editor.text(F::NodeLabel), "");
    EXPECT_EQ(editor.elements().entryAt(0)->label, 1);
}

TEST(StructureEditor, AvailabilitiesOutsideZeroToOneAreRevertedSilently)
{
    StructureEditor editor;
    editor.load(nullptr, false, true);
    editor.addEdge();
    editor.selectEdge(0);
    enter(editor, F::EdgeAvailability, "1");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 1);
    enter(editor, F::EdgeAvailability, "1.5");
    EXPECT_EQ(editor.text(F::EdgeAvailability), "1");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 1);
    enter(editor, F::EdgeAvailability, "0");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 0);
    enter(editor, F::EdgeAvailability, "-0.1");
    EXPECT_EQ(editor.text(F::EdgeAvailability), "0");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 0);
    enter(editor, F::EdgeAvailability, "0.125");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 0.125L);

    // Text that is not a number: the exception display reports it, the
    // element keeps its value and the field the text typed.
    editor.type(F::EdgeAvailability, "0,5x");
    EXPECT_THROW(editor.leave(F::EdgeAvailability), std::invalid_argument);
    EXPECT_EQ(editor.text(F::EdgeAvailability), "0,5x");
    EXPECT_EQ(editor.elements().entryAt(0)->availability, 0.125L);
    EXPECT_FALSE(editor.edited(F::EdgeAvailability));

    // The decimal separator is the platform's.
    StructureEditor comma(',');
    comma.load(nullptr, false, true);
    comma.addNode();
    comma.selectNode(0);
    enter(comma, F::NodeAvailability, "0,75");
    EXPECT_EQ(comma.elements().entryAt(0)->availability, 0.75L);
    comma.selectNode(0);
    EXPECT_EQ(comma.text(F::NodeAvailability), "0,75");
}

TEST(StructureEditor, RelabellingKeepsLabelsUniqueAndTheDropDownsStale)
{
    ErrorLog log;
    StructureEditor editor;
    editor.setErrorReport(log.report());
    editor.load(nullptr, false, true);
    for (int i = 0; i < 3; ++i)
        editor.addNode();
    editor.selectNode(2);
    enter(editor, F::NodeLabel, "1");
    EXPECT_EQ(editor.text(F::NodeLabel), "3");
    EXPECT_EQ(editor.nodeList().items, labels({1, 2, 3}));
    // The same label counts as used too.
    enter(editor, F::NodeLabel, "3");
    EXPECT_EQ(editor.nodeList().selected, 2);

    editor.selectNode(2);
    enter(editor, F::NodeLabel, "7");
    EXPECT_EQ(editor.nodeList().items, labels({1, 2, 7}));
    EXPECT_EQ(editor.nodeList().selected, -1);
    EXPECT_EQ(editor.leavingChoice().items, labels({1, 2, 3}));
    editor.addNode();
    EXPECT_EQ(editor.nodeList().items, labels({1, 2, 7, 8}));
    EXPECT_EQ(editor.leavingChoice().items, labels({1, 2, 7, 8}));

    // A label that is not a number is reported; nothing changes.
    editor.selectNode(0);
    editor.type(F::NodeLabel, "abc");
    EXPECT_THROW(editor.leave(F::NodeLabel), std::invalid_argument);
    EXPECT_EQ(editor.elements().entryAt(0)->label, 1);
    EXPECT_EQ(editor.text(F::NodeLabel), "abc");
    EXPECT_TRUE(log.errors.empty());

    // "osvježi" rebuilds the lists and the maxima.
    editor.selectNode(0);
    enter(editor, F::NodeLabel, "40");
    editor.fill();
    EXPECT_EQ(editor.maxNodeLabel(), 40);
    EXPECT_EQ(editor.leavingChoice().items, labels({2, 7, 8, 40}));
}

TEST(StructureEditor, AStaleEdgeChoiceIsAnInternalError)
{
    ErrorLog log;
    StructureEditor editor;
    editor.setErrorReport(log.report());
    editor.load(nullptr, false, true);
    editor.addEdge();
    editor.addEdge();
    editor.selectEdge(0);
    enter(editor, F::EdgeLabel, "9");
    ASSERT_EQ(editor.edgeChoice().items, labels({1, 2}));
    editor.chooseEdge(0); // edge 1 is now edge 9
    ASSERT_EQ(log.errors.size(), 1u);
    EXPECT_EQ(log.errors[0].first, "Interna pogreška u programu , jer nije moguće");
    EXPECT_EQ(log.errors[0].second, "pronaći zadanu granu u repozitoriju svih grana");
    // The next add refills the drop-downs and chooses the first edge.
    editor.addNode();
    EXPECT_EQ(editor.edgeChoice().items, labels({2, 9}));
    EXPECT_EQ(editor.edgeChoice().selected, 0);
    EXPECT_EQ(log.errors.size(), 1u);
}

TEST(StructureEditor, ConnectionsReplaceTheEdgesEndsInBothMatrices)
{
    StructureEditor editor;
    editor.load(nullptr, false, true);
    editor.addNode();  // N1, index 0
    editor.addNode();  // N2, index 1
    editor.addNode();  // N3, index 2
    editor.addEdge();  // e1, index 3
    editor.chooseEdge(0);
    editor.chooseLeaving(0);  // from N1
    editor.chooseEntering(1); // into N2
    EXPECT_EQ(editor.leavingChoice().selected, 0);
    EXPECT_EQ(editor.enteringChoice().selected, 1);
    EXPECT_EQ(cellsOf(editor.directedMatrix()),
              (std::vector<std::vector<int>>{{0, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, 0}}));
    EXPECT_EQ(cellsOf(editor.undirectedMatrix()),
              (std::vector<std::vector<int>>{{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 0}, {1, 1, 0, 0}}));

    // A new leaving node replaces N1: one 1 in the edge's column.
    editor.chooseLeaving(2);
    EXPECT_EQ(cellsOf(editor.directedMatrix()),
              (std::vector<std::vector<int>>{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 1, 0, 0}}));
    EXPECT_EQ(cellsOf(editor.undirectedMatrix()),
              (std::vector<std::vector<int>>{{0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 1}, {0, 1, 1, 0}}));

    // Choosing the edge again shows its ends.
    editor.chooseEdge(0);
    EXPECT_EQ(editor.leavingChoice().selectedItem(), labelText(3));
    EXPECT_EQ(editor.enteringChoice().selectedItem(), labelText(2));

    // Removing the only node the edge leaves: the edge stays, without one.
    editor.selectNode(2);
    editor.removeNode();
    EXPECT_EQ(editor.edgeChoice().selectedItem(), labelText(1));
    EXPECT_EQ(editor.leavingChoice().selected, -1);
    EXPECT_EQ(editor.enteringChoice().selectedItem(), labelText(2));
    EXPECT_EQ(editor.directedMatrix().columnCount(), 3);

    // No edge chosen: a node choice changes nothing.
    StructureEditor empty;
    empty.load(nullptr, false, true);
    empty.addNode();
    empty.chooseLeaving(0);
    EXPECT_EQ(cellsOf(empty.directedMatrix()), (std::vector<std::vector<int>>{{0}}));
}

TEST(StructureEditor, ResetKeepsEditsWithoutAStructureAndReloadsWithOne)
{
    StructureWorkspace ws;
    buildStructure(ws, bridge(0.9L));
    StructureEditor editor;
    editor.load(nullptr, false, true);
    editor.addNode();
    editor.load(&ws, false, true); // "reset" with no structure present
    EXPECT_EQ(editor.nodeList().items, labels({1}));

    editor.load(&ws, true, true);
    EXPECT_EQ(editor.elements().count(), ws.elements.count());
    EXPECT_EQ(cellsOf(editor.directedMatrix()), cellsOf(ws.directedMatrix));
    EXPECT_EQ(cellsOf(editor.undirectedMatrix()), cellsOf(ws.undirectedMatrix));
    editor.addNode();
    EXPECT_EQ(editor.maxNodeLabel(), 5); // the bridge has nodes 1..4
    editor.load(&ws, true, true);
    EXPECT_EQ(editor.elements().count(), ws.elements.count());

    // The direction follows the main window; a change is reported.
    EXPECT_TRUE(editor.load(&ws, true, false));
    EXPECT_FALSE(editor.directed());
    EXPECT_FALSE(editor.load(&ws, true, false));

    editor.close();
    EXPECT_EQ(editor.elements().count(), 0);
    EXPECT_TRUE(editor.directedMatrix().empty());
}

// --- With the main window ---------------------------------------------------------------

class EditorWithController : public ControllerTest {
protected:
    StructureEditor editor;

    void open()
    {
        controller.beginEditing();
        controller.drain();
        editor.load(&controller.workspace(), controller.structurePresent(), board().checked("RadioButton1"));
    }
    void accept()
    {
        controller.acceptEdited(editor);
        editor.close();
        controller.endEditing();
        controller.drain();
    }
};

TEST_F(EditorWithController, AcceptedNodesWithoutEdgesLeaveTheRunControlsOff)
{
    open();
    EXPECT_FALSE(board().enabled("novadatoteka"));
    EXPECT_FALSE(board().enabled("Novastruktura1"));
    editor.addNode();
    editor.addNode();
    accept();
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_TRUE(board().enabled("zatvoritrenutni"));
    EXPECT_TRUE(board().enabled("Zatvoristrukturu1"));
    EXPECT_TRUE(board().enabled("novadatoteka"));
    for (const char* off : {"play", "Start1", "spremipodatke", "CheckBox3", "rezstr", "ComboBox1"})
        EXPECT_FALSE(board().enabled(off)) << off;
    EXPECT_EQ(board().control("ComboBox1").items, labels({1, 2}));
    EXPECT_EQ(controller.workspace().elements.count(), 2);
}

TEST_F(EditorWithController, AStructureBuiltInTheEditorRunsAndSavesLikeALoadedOne)
{
    open();
    editor.addNode();
    editor.addNode();
    editor.addEdge();
    editor.chooseLeaving(0);
    editor.chooseEntering(1);
    editor.selectNode(0);
    enter(editor, F::NodeAvailability, "1"); // certain: state 1
    editor.selectNode(1);
    enter(editor, F::NodeAvailability, "0.9");
    editor.selectEdge(0);
    enter(editor, F::EdgeAvailability, "0.8");
    accept();

    StructureWorkspace& ws = controller.workspace();
    EXPECT_EQ(ws.elementState.count(), 3);
    EXPECT_EQ(ws.elementState.get(0), 1);
    EXPECT_EQ(ws.elementState.get(1), 0);
    for (const char* on : {"play", "Start1", "spremipodatke", "CheckBox1", "CheckBox5", "RadioButton1", "rezstr",
                           "matricastrukture2", "ComboBox2"})
        EXPECT_TRUE(board().enabled(on)) << on;

    controller.userSelect("ComboBox1", 0);
    controller.userSelect("ComboBox2", 1);
    controller.userCheck("RadioButton1", true);
    controller.userCheck("CheckBox2", false); // real terminals
    chooseAlgorithms(true, true, true);
    runToEnd();
    for (Algorithm a : kAlgorithms) {
        EXPECT_TRUE(ws.cells(a).done.load()) << algorithmName(a);
        EXPECT_NEAR(static_cast<double>(ws.cells(a).availabilityValue()), 1.0 * 0.8 * 0.9, 1e-12);
    }

    const std::string path = dir.path("uredjena.dsm");
    controller.saveFile(path);
    controller.waitForArchive();
    controller.drain();
    load(path);
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_EQ(ws.elements.count(), 3);
    EXPECT_EQ(ws.directedMatrix.get(2, 0), 1); // N1 -> e1
    EXPECT_EQ(ws.directedMatrix.get(1, 2), 1); // e1 -> N2
}

TEST_F(EditorWithController, AnAvailabilityOf0GivesState_1AndConnectionsAreNotChecked)
{
    open();
    editor.addNode();
    editor.addEdge(); // an edge without any node
    editor.selectNode(0);
    enter(editor, F::NodeAvailability, "0");
    editor.selectEdge(0);
    enter(editor, F::EdgeAvailability, "0.5");
    accept();
    EXPECT_EQ(controller.workspace().elementState.get(0), -1);
    EXPECT_EQ(controller.workspace().elementState.get(1), 0);
    EXPECT_EQ(controller.workspace().directedMatrix.columnCount(), 2);
    EXPECT_TRUE(board().enabled("play"));

    // Editing the present structure starts from it; the source and
    // destination indices stay and are selected again.
    load(kExampleFile());
    ASSERT_EQ(controller.workspace().sourceIndex, 0);
    open();
    EXPECT_EQ(editor.nodeList().items, labels({1, 2, 3}));
    editor.selectNode(1);
    enter(editor, F::NodeLabel, "20");
    accept();
    EXPECT_EQ(board().control("ComboBox1").items, labels({1, 3, 20}));
    EXPECT_EQ(board().selectedItem("ComboBox1"), labelText(1));
    EXPECT_EQ(board().selectedItem("ComboBox2"), labelText(3));
}

// A structure built from nothing has no pair: saved straight away, it is
// saved without one and opens again. Also after an earlier structure with a
// pair was released.
TEST_F(EditorWithController, ANewStructureIsSavedWithoutAPair)
{
    load(kExampleFile());
    controller.freeStructure();
    controller.drain();
    open();
    editor.addNode();
    editor.addNode();
    editor.addEdge();
    editor.chooseLeaving(0);
    editor.chooseEntering(1);
    accept();
    EXPECT_TRUE(board().selectedItem("ComboBox1").empty());
    EXPECT_TRUE(board().selectedItem("ComboBox2").empty());

    const std::string path = dir.path("nova.dsm");
    controller.saveFile(path);
    controller.waitForArchive();
    controller.drain();
    ASSERT_TRUE(board().errors().empty());
    EXPECT_EQ(readBytes(path).find("par"), std::string::npos) << readBytes(path);
    load(path);
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_TRUE(board().errors().empty());
    EXPECT_EQ(controller.workspace().elements.count(), 3);
    EXPECT_FALSE(board().checked("zadan1"));
}

// Edited away, a node of the pair takes the pair with it.
TEST_F(EditorWithController, APairWhoseNodeIsRemovedIsNoPairAnyMore)
{
    load(kExampleFile()); // pair 1 -> 3
    open();
    editor.selectNode(0);
    editor.removeNode(); // node 1, the source
    accept();
    EXPECT_EQ(controller.workspace().sourceIndex, -1);
    EXPECT_TRUE(board().selectedItem("ComboBox1").empty());
    const std::string path = dir.path("bez-izvora.dsm");
    controller.saveFile(path);
    controller.waitForArchive();
    controller.drain();
    EXPECT_EQ(readBytes(path).find("par"), std::string::npos) << readBytes(path);
    load(path);
    EXPECT_TRUE(controller.structurePresent());
    EXPECT_TRUE(board().errors().empty());
}
