// Loading, saving and releasing the structure: the main window's file
// commands, with the read and the write on an archiving thread.

#include "run/MainController.h"

#include "platform/HeapTuning.h"
#include "run/MainControls.h"
#include "run/RunDisplay.h"
#include "run/ThreadStart.h"
#include "structure/ExchangeWriter.h"
#include "structure/LoadStructure.h"

namespace velmor {

namespace {

std::vector<std::string> nodeItems(ElementList& elements)
{
    std::vector<std::string> items;
    std::string text;
    if (elements.seek(0))
        while (elements.nextLabelText(NodeKind, text))
            items.push_back(text);
    return items;
}

std::string nodeItem(const ElementList& elements, int index)
{
    const ElementEntry* entry = elements.entryAt(index);
    return entry ? labelText(entry->label) : std::string();
}

} // namespace

bool MainController::startArchiveThread(std::function<void()> step, std::string& firstLine, std::string& secondLine)
{
    archiveThread_.join();
    const auto failure = startThread(defaultThreadLauncher(), archiveThread_, ws_.archiveStackSize, std::move(step));
    if (!failure)
        return true;
    firstLine = failure->first;
    secondLine = failure->second;
    return false;
}

void MainController::appendClearStructure(ControlUnit& unit)
{
    endReports(); // they read the element list that is released here
    ws_.resetStructure();
    unit.push_back(ControlChange::setItems("ComboBox1", {}));
    unit.push_back(ControlChange::setItems("ComboBox2", {}));
    unit.push_back(ControlChange::setText("ComboBox1", "odabir izv. čvor"));
    unit.push_back(ControlChange::setText("ComboBox2", "odabir odr.čvor"));
    unit.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
    unit.push_back(ControlChange::procedure("resetReportCascade"));
}

// The results go with the structure, and the progress bar of the run that
// made them returns to its start with them.
void MainController::appendClearResults(ControlUnit& unit)
{
    engine_.clearResults();
    appendClearedResults(unit);
    unit.push_back(ControlChange::progress(0));
}

void MainController::appendLoadFailure(ControlUnit& unit, const std::string& first, const std::string& second)
{
    appendResetMainControls(unit);
    appendClearStructure(unit);
    appendClearResults(unit);
    unit.push_back(ControlChange::error(first, second));
    unit.push_back(ControlChange::setText("Edit1", ""));
    unit.push_back(ControlChange::flag("structurePresent", false));
}

void MainController::openFile(const std::string& path)
{
    absorb();
    archiveThread_.join(); // a save may still be reading the structure
    discardImportance();
    ControlUnit reset{ControlChange::setText("Edit1", path)};
    appendResetMainControls(reset);
    appendClearStructure(reset);
    appendClearResults(reset);
    reset.push_back(ControlChange::flag("structurePresent", false));
    applyUnit(reset);

    ws_.fileName.clear();
    std::string first, second;
    if (startArchiveThread([this, path] { loadStep(path); }, first, second))
        return;
    ControlUnit failure;
    appendLoadFailure(failure, first, second);
    applyUnit(failure);
}

void MainController::loadStep(const std::string& path)
{
    // Loading refuses a path that does not fit the workspace's file name
    // instead of cutting it.
    std::string message;
    const bool loaded = loadStructureFile(ws_, reader_, path, message);
    ControlUnit unit;
    if (!loaded) {
        appendLoadFailure(unit, kLoadFailedLine, message);
    } else {
        const std::vector<std::string> nodes = nodeItems(ws_.elements);
        unit.push_back(ControlChange::setItems("ComboBox1", nodes));
        unit.push_back(ControlChange::setItems("ComboBox2", nodes));
        if (reader_.pairGiven) {
            unit.push_back(ControlChange::check("zadan1", true));
            unit.push_back(ControlChange::enable("zadan1", true));
            unit.push_back(ControlChange::select("ComboBox1", nodeItem(ws_.elements, ws_.sourceIndex)));
            unit.push_back(ControlChange::select("ComboBox2", nodeItem(ws_.elements, ws_.destinationIndex)));
        } else {
            // The indices still hold the reset value, which names the first
            // node: the structure has no pair until one is chosen for a run.
            ws_.sourceIndex = -1;
            ws_.destinationIndex = -1;
            unit.push_back(ControlChange::enable("ComboBox1", true));
            unit.push_back(ControlChange::enable("ComboBox2", true));
        }
        unit.push_back(ControlChange::check("zadan2", true));
        unit.push_back(ControlChange::enable("zadan2", true));
        unit.push_back(ControlChange::check(ws_.directed == 1 ? "RadioButton1" : "RadioButton2", true));
        appendEnable(unit, {"CheckBox1", "CheckBox2"}, true);
        appendChoiceBoxes(unit, true);
        appendEnable(unit, {kMatrixView, kFreeStructure, kStart}, true);
        unit.push_back(ControlChange::flag("structurePresent", true));
    }
    unit.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
    channel_.post(std::move(unit));
}

void MainController::beginSave()
{
    absorb();
    enable({"spremipodatke", "Spremistrukturu1", "otvoridatoteku", "Otvoridatoteku1", "novadatoteka",
            "Novastruktura1"},
           false);
}

void MainController::saveCancelled()
{
    absorb();
    enable({"spremipodatke", "Spremistrukturu1", "otvoridatoteku", "Otvoridatoteku1", "novadatoteka",
            "Novastruktura1"},
           true);
}

void MainController::saveFile(const std::string& path)
{
    absorb();
    archiveThread_.join();
    const std::string previousField = board_.text("Edit1");
    const std::string previousName = ws_.fileName;
    const bool directed = board_.checked("RadioButton1");
    apply(ControlChange::setText("Edit1", path));
    std::string first, second;
    if (!ws_.setFileName(path)) {
        first = "Podatke nije moguće spremiti u datoteku";
        second = "Putanja do datoteke je predugačka: dopušteno je najviše 256 znakova";
    } else if (startArchiveThread([this, directed, previousField, previousName] {
                   saveStep(directed, previousField, previousName);
               },
                                  first, second)) {
        enable({"otvoridatoteku", "Otvoridatoteku1", "novadatoteka", "Novastruktura1"}, true);
        return;
    }
    apply(ControlChange::error(first, second));
    apply(ControlChange::setText("Edit1", first == kThreadShortage || first == kThreadFault ? "" : previousField));
    ws_.fileName = previousName;
    enable({"spremipodatke", "Spremistrukturu1", "otvoridatoteku", "Otvoridatoteku1", "novadatoteka",
            "Novastruktura1"},
           true);
}

void MainController::saveStep(bool directed, const std::string& previousField, const std::string& previousName)
{
    std::string message;
    // A name ending in .dot, .gv or .graphml (the save dialog's filters add
    // them) is saved in that exchange format; any other as a structure file.
    const std::optional<ExchangeFormat> format = exchangeFormatOfPath(ws_.fileName);
    const bool saved = format && *format != ExchangeFormat::Csv
        ? ExchangeWriter().writeExchangeFile(ws_.fileName, *format,
                                             exchangeStructureOf(ws_.elements, ws_.directedMatrix, directed,
                                                                 ws_.sourceIndex, ws_.destinationIndex),
                                             message)
        : writer_.writeStructureFile(ws_.fileName, ws_.elements, ws_.directedMatrix, directed, ws_.sourceIndex,
                                     ws_.destinationIndex, message);
    if (saved)
        return;
    // A failed save keeps the structure: it may exist nowhere else. The
    // window returns to what it showed before the save.
    ws_.fileName = previousName;
    channel_.post({ControlChange::error("Podatke nije moguće spremiti u datoteku", message),
                   ControlChange::setText("Edit1", previousField), ControlChange::enable("spremipodatke", true),
                   ControlChange::enable("Spremistrukturu1", true)});
}

void MainController::freeStructure()
{
    absorb();
    archiveThread_.join();
    discardImportance();
    engine_.setResultsPresent(false);
    ControlUnit unit{ControlChange::flag("structurePresent", false)};
    appendChoiceBoxes(unit, false);
    appendResetMainControls(unit);
    appendClearStructure(unit);
    appendClearResults(unit);
    unit.push_back(ControlChange::setText("Edit1", ""));
    appendEnable(unit, {kFreeStructure}, false);
    applyUnit(unit);
    // The released structure and results may have taken gigabytes; no run
    // is coming that would use their pages again.
    returnFreedMemory();
}

} // namespace velmor
