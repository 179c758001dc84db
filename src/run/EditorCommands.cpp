// The structure editor as the main window sees it: opening, closing, and a
// structure built or changed in the editor becoming the present one.

#include "run/MainController.h"

#include "run/StructureEditor.h"

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
    // Reports being built read the element list that is replaced here.
    endReports();
    {
        std::lock_guard guard(reportsLock_);
        reportsBlocked_ = false;
    }

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

    if (node && edge)
        enable({"spremipodatke", "Spremistrukturu1", "ComboBox1", "ComboBox2", "RadioButton1", "RadioButton2",
                "CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "rezstr", "matricastrukture2", "play",
                "Start1"},
               true);
    parametri();
    apply(ControlChange::flag("structurePresent", true));
    enable({"zatvoritrenutni", "Zatvoristrukturu1"}, true);
}

} // namespace velmor
