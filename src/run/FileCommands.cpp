// Loading, saving and releasing the structure: the main window's file
// commands, with the read and the write on an archiving thread.

#include "run/MainController.h"

#include "structure/LoadStructure.h"

namespace velmor {

namespace {

constexpr const char* kThreadShortage = "Neispravno ponašanje stvorene niti zbog nedostatka resursa";
constexpr const char* kThreadFault = "Neispravno izvođenje programa u stvorenoj niti";

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
    try {
        if (archiveThread_.start(ws_.archiveStackSize, std::move(step)))
            return true;
        firstLine = kThreadShortage;
    } catch (const std::exception& e) {
        firstLine = kThreadFault;
        secondLine = std::string("error description : ") + e.what();
    }
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

void MainController::appendLoadFailure(ControlUnit& unit, const std::string& first, const std::string& second)
{
    RunEngine::appendResetMainControls(unit);
    appendClearStructure(unit);
    engine_.clearResults(unit);
    unit.push_back(ControlChange::error(first, second));
    unit.push_back(ControlChange::setText("Edit1", ""));
    unit.push_back(ControlChange::flag("structurePresent", false));
}

void MainController::openFile(const std::string& path)
{
    absorb();
    archiveThread_.join(); // a save may still be reading the structure
    ControlUnit reset{ControlChange::setText("Edit1", path)};
    RunEngine::appendResetMainControls(reset);
    appendClearStructure(reset);
    engine_.clearResults(reset);
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
        appendLoadFailure(unit, "Otvorena datoteka ne sadrži odgovarajuće podatke", message);
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
            unit.push_back(ControlChange::enable("ComboBox1", true));
            unit.push_back(ControlChange::enable("ComboBox2", true));
        }
        unit.push_back(ControlChange::check("zadan2", true));
        unit.push_back(ControlChange::enable("zadan2", true));
        unit.push_back(ControlChange::check(ws_.directed == 1 ? "RadioButton1" : "RadioButton2", true));
        for (const char* control : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5", "rezstr",
                                    "matricastrukture2", "zatvoritrenutni", "Zatvoristrukturu1", "play", "Start1"})
            unit.push_back(ControlChange::enable(control, true));
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
    if (writer_.writeStructureFile(ws_.fileName, ws_.elements, ws_.directedMatrix, directed, ws_.sourceIndex,
                                   ws_.destinationIndex, message))
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
    engine_.setResultsPresent(false);
    ControlUnit unit{ControlChange::flag("structurePresent", false)};
    for (const char* box : {"CheckBox3", "CheckBox4", "CheckBox5"})
        unit.push_back(ControlChange::enable(box, false));
    RunEngine::appendResetMainControls(unit);
    appendClearStructure(unit);
    engine_.clearResults(unit);
    unit.push_back(ControlChange::setText("Edit1", ""));
    unit.push_back(ControlChange::enable("zatvoritrenutni", false));
    unit.push_back(ControlChange::enable("Zatvoristrukturu1", false));
    applyUnit(unit);
}

} // namespace velmor
