// The structure editor as the main window sees it: opening, closing, and a
// structure built or changed in the editor becoming the present one.

#include "run/MainController.h"

#include "run/MainControls.h"
#include "run/RunDisplay.h"
#include "run/StructureEditor.h"

#include <cstdint>
#include <optional>

namespace velmor {

void MainController::beginEditing()
{
    absorb();
    enable({"novadatoteka", "Novastruktura1"}, false);
}

void MainController::endEditing()
{
    absorb();
    enable({"novadatoteka", "Novastruktura1"}, true);
}

void MainController::acceptEdited(const StructureEditor& editor)
{
    absorb();
    archiveThread_.join(); // a load or save must not see the structure change under it
    discardImportance(); // of the structure replaced here
    // Reports being built read the element list that is replaced here.
    endReports();
    displays_.unblock();

    // The pair goes over to the edited structure by its nodes' labels: the
    // editor renumbers the elements, and a removed node takes the pair with
    // it. A structure built from nothing has no pair (the indices hold only
    // their reset value).
    auto nodeLabelAt = [this, present = structurePresent()](int index) -> std::optional<std::int32_t> {
        const ElementEntry* entry = present && index >= 0 ? ws_.elements.entryAt(index) : nullptr;
        if (!entry || entry->kind != NodeKind)
            return std::nullopt;
        return entry->label;
    };
    auto nodeIndexOf = [this](std::optional<std::int32_t> label) {
        int found = -1;
        return label && ws_.elements.find(*label, NodeKind, found) ? found : -1;
    };
    const std::optional<std::int32_t> source = nodeLabelAt(ws_.sourceIndex);
    const std::optional<std::int32_t> destination = nodeLabelAt(ws_.destinationIndex);

    const ElementList& edited = editor.elements();
    ws_.elements.clear();
    for (int i = 0; i < edited.count(); ++i) {
        const ElementEntry* entry = edited.entryAt(i);
        ws_.elements.append(entry->label, entry->availability, entry->kind);
    }
    ws_.directedMatrix.clear();
    ws_.undirectedMatrix.clear();
    editor.directedMatrix().copyTo(ws_.directedMatrix);
    editor.undirectedMatrix().copyTo(ws_.undirectedMatrix);

    bool node = false;
    bool edge = false;
    ws_.elementState.clear();
    if (ws_.elements.count() > 0)
        ws_.elementState.allocate(ws_.elements.count());
    for (int i = 0; i < ws_.elements.count(); ++i) {
        const ElementEntry* entry = ws_.elements.entryAt(i);
        ws_.elementState.set(i, entry->availability == 0 ? -1 : entry->availability == 1 ? 1 : 0);
        node = node || entry->kind == NodeKind;
        edge = edge || entry->kind == EdgeKind;
    }

    ws_.sourceIndex = nodeIndexOf(source);
    ws_.destinationIndex = nodeIndexOf(destination);

    if (node && edge) {
        ControlUnit unit;
        appendEnable(unit, {kSaveStructure}, true);
        appendEnable(unit, {"ComboBox1", "ComboBox2", "RadioButton1", "RadioButton2", "CheckBox1", "CheckBox2"}, true);
        appendChoiceBoxes(unit, true);
        appendEnable(unit, {kMatrixView, kStart}, true);
        applyUnit(unit);
    }
    parametri();
    apply(ControlChange::flag("structurePresent", true));
    enable({"zatvoritrenutni", "Zatvoristrukturu1"}, true);
}

} // namespace velmor
