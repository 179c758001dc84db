#include "run/MainController.h"

#include "run/AlgorithmTable.h"

#include <algorithm>

namespace velmor {

namespace {

const std::vector<std::vector<std::string>>& radioGroups()
{
    static const std::vector<std::vector<std::string>> groups{
        {"RadioButton1", "RadioButton2"},
        {"RadioButton4", "RadioButton5"},
        {"RadioButton6", "RadioButton7", "RadioButton8"},
        {"RadioButton9", "RadioButton10"},
    };
    return groups;
}

const std::vector<std::string>* radioGroupOf(const std::string& control)
{
    for (const auto& group : radioGroups())
        if (std::find(group.begin(), group.end(), control) != group.end())
            return &group;
    return nullptr;
}

} // namespace

MainController::MainController()
{
    // Design-time states of the options panel; no reaction runs for them.
    const ControlUnit initial{
        ControlChange::check("CheckBox1", true),    ControlChange::check("CheckBox2", true),
        ControlChange::check("RadioButton5", true), ControlChange::check("RadioButton8", true),
        ControlChange::check("RadioButton10", true), ControlChange::setText("ComboBox1", "odabir izv."),
        ControlChange::setText("ComboBox2", "odabir odr."),
    };
    for (const ControlChange& c : initial) {
        board_.apply(c);
        applied_.push_back(c);
    }
    ControlUnit reset;
    RunEngine::appendResetMainControls(reset);
    reset.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
    applyUnit(reset);
    // A run clears the results on its core thread: the reports that read
    // them end first.
    engine_.setBeforeClearResults([this] { endReports(); });
}

MainController::~MainController()
{
    endReports();
    engine_.shutdown();
    archiveThread_.join();
}

// --- Applying changes ------------------------------------------------------------

void MainController::absorb()
{
    for (const ControlUnit& unit : channel_.takeAll())
        applyUnit(unit);
}

std::vector<ControlChange> MainController::drain()
{
    absorb();
    std::vector<ControlChange> out;
    out.swap(applied_);
    return out;
}

void MainController::applyUnit(const ControlUnit& unit)
{
    for (const ControlChange& c : unit)
        apply(c);
}

void MainController::apply(const ControlChange& c)
{
    using Kind = ControlChange::Kind;
    if (c.kind == Kind::Procedure) {
        runProcedure(c.text);
        return;
    }
    if (c.kind == Kind::Check && c.on && radioGroupOf(c.control)) {
        checkRadio(c.control);
        return;
    }
    if (!board_.apply(c))
        return;
    applied_.push_back(c);
    if (c.kind == Kind::Check)
        react(c.control, c.on);
}

void MainController::enable(std::initializer_list<const char*> controls, bool on)
{
    for (const char* control : controls)
        apply(ControlChange::enable(control, on));
}

void MainController::checkRadio(const std::string& control)
{
    const ControlChange target = ControlChange::check(control, true);
    if (!board_.apply(target))
        return;
    applied_.push_back(target);
    for (const std::string& other : *radioGroupOf(control)) {
        const ControlChange off = ControlChange::check(other, false);
        if (other != control && board_.apply(off))
            applied_.push_back(off);
    }
    react(control, true);
}

// The reactions of the option controls; they run for a change by the user
// and equally for one made by the program.
void MainController::react(const std::string& control, bool checked)
{
    const bool present = structurePresent();
    if ((control == "RadioButton1" || control == "RadioButton2") && checked) {
        const bool directed = control == "RadioButton1";
        apply(ControlChange::check("Da1", directed));
        apply(ControlChange::check("Ne1", !directed));
        if (present)
            enable({"spremipodatke", "Spremistrukturu1"}, true);
    } else if (control == "CheckBox1") {
        if (board_.enabled("CheckBox1"))
            reductionMarks();
    } else if (control == "zadan1") {
        if (checked) {
            if (present) {
                enable({"spremipodatke", "Spremistrukturu1"}, false);
                ws_.sourceIndex = ws_.fileSourceIndex;
                ws_.destinationIndex = ws_.fileDestinationIndex;
                parametri();
            }
            enable({"ComboBox1", "ComboBox2"}, false);
        } else if (present) {
            enable({"ComboBox1", "ComboBox2"}, true);
        }
    } else if (control == "zadan2") {
        if (checked) {
            if (present) {
                enable({"spremipodatke", "Spremistrukturu1"}, false);
                checkRadio(ws_.directed == 1 ? "RadioButton1" : "RadioButton2");
            }
            enable({"RadioButton1", "RadioButton2"}, false);
        } else if (present) {
            enable({"RadioButton1", "RadioButton2"}, true);
        }
    } else {
        for (Algorithm a : kAlgorithms) {
            const AlgorithmBinding& b = binding(a);
            if (control == b.checkBox)
                for (const char* variant : b.variants)
                    apply(ControlChange::enable(variant, checked));
        }
    }
}

void MainController::runProcedure(const std::string& name)
{
    if (name == "refreshAlgorithmChoice")
        refreshAlgorithmChoice();
    else if (name == "reductionMarks")
        reductionMarks();
    else if (name == "resetReportCascade") {
        reportCascade_ = 0;
        // The clearing that came with it is over: reports may start again.
        std::lock_guard guard(reportsLock_);
        reportsBlocked_ = false;
    }
}

void MainController::refreshAlgorithmChoice()
{
    const bool present = structurePresent();
    for (Algorithm a : kAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        apply(ControlChange::enable(b.checkBox, present));
        apply(ControlChange::fill(b.lamp, present ? kBlue : kSkyBlue));
    }
    for (Algorithm a : kAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        const bool on = board_.checked(b.checkBox) && board_.enabled(b.checkBox);
        for (const char* variant : b.variants)
            apply(ControlChange::enable(variant, on));
    }
}

void MainController::reductionMarks()
{
    const bool on = board_.checked("CheckBox1");
    apply(ControlChange::check("Ukljucena1", on));
    apply(ControlChange::check("Iskljuena1", !on));
}

// --- User input ------------------------------------------------------------------

// A disabled control takes no input, whatever a view sends.
void MainController::userCheck(const std::string& control, bool on)
{
    absorb();
    if (board_.enabled(control))
        apply(ControlChange::check(control, on));
}

void MainController::userSelect(const std::string& control, int index)
{
    absorb();
    if (!board_.enabled(control))
        return;
    const ControlState& s = board_.control(control);
    const std::string item = index >= 0 && index < static_cast<int>(s.items.size())
                                 ? s.items[static_cast<std::size_t>(index)]
                                 : std::string();
    apply(ControlChange::select(control, item));
}

void MainController::userType(const std::string& control, const std::string& text)
{
    absorb();
    if (!board_.enabled(control))
        return;
    // Typed text is not a choice: the selection is dropped.
    apply(ControlChange::select(control, ""));
    apply(ControlChange::setText(control, text));
}

void MainController::errorClosed()
{
    board_.closeError();
}

// --- Options from the menu -----------------------------------------------------------

void MainController::reductionMenu(bool on)
{
    absorb();
    apply(ControlChange::check("Ukljucena1", on));
    apply(ControlChange::check("Iskljuena1", !on));
    apply(ControlChange::check("CheckBox1", on));
}

void MainController::directionMenu(bool directed)
{
    absorb();
    apply(ControlChange::check("Da1", directed));
    apply(ControlChange::check("Ne1", !directed));
    checkRadio(directed ? "RadioButton1" : "RadioButton2");
}

void MainController::parametri()
{
    std::vector<std::string> nodes;
    for (int i = 0; i < ws_.elements.count(); ++i) {
        const ElementEntry* entry = ws_.elements.entryAt(i);
        if (entry->kind == NodeKind)
            nodes.push_back(labelText(entry->label));
    }
    auto itemOf = [this](int index) {
        const ElementEntry* entry = ws_.elements.entryAt(index);
        return entry && entry->kind == NodeKind ? labelText(entry->label) : std::string();
    };
    apply(ControlChange::setItems("ComboBox1", nodes));
    apply(ControlChange::setItems("ComboBox2", nodes));
    apply(ControlChange::select("ComboBox1", itemOf(ws_.sourceIndex)));
    apply(ControlChange::select("ComboBox2", itemOf(ws_.destinationIndex)));
}

// --- Runs ----------------------------------------------------------------------------

RunRequest MainController::runRequest() const
{
    RunRequest request;
    for (Algorithm a : kAlgorithms)
        request.selected[static_cast<std::size_t>(a)] = board_.checked(binding(a).checkBox);
    request.sourceItem = board_.selectedItem("ComboBox1");
    request.destinationItem = board_.selectedItem("ComboBox2");
    request.idealTerminals = board_.checked("CheckBox2");
    request.reduction = board_.checked("CheckBox1");
    request.abrahamRule = board_.checked("RadioButton4") ? 1 : board_.checked("RadioButton5") ? 2 : 0;
    request.enrVariant = board_.checked("RadioButton6")   ? 0
                         : board_.checked("RadioButton7") ? 1
                         : board_.checked("RadioButton8") ? 2
                                                          : -1;
    request.nprVariant = board_.checked("RadioButton9") ? 0 : board_.checked("RadioButton10") ? 1 : -1;
    request.direction = board_.checked("RadioButton1")   ? RunRequest::Direction::Directed
                        : board_.checked("RadioButton2") ? RunRequest::Direction::Undirected
                                                         : RunRequest::Direction::None;
    return request;
}

void MainController::startRun()
{
    absorb();
    archiveThread_.join(); // a save still reading the structure finishes first
    engine_.startRun(runRequest(), structurePresent());
    absorb();
}

void MainController::pauseRun()
{
    absorb();
    if (board_.enabled("pause"))
        engine_.pauseRun();
}

void MainController::resumeRun()
{
    absorb();
    if (board_.enabled("resume"))
        engine_.resumeRun();
}

void MainController::stopRun()
{
    engine_.stopRun();
}

void MainController::stopAlgorithm(Algorithm a)
{
    if (board_.enabled(binding(a).stopMenuItem))
        engine_.stopAlgorithm(a);
}

void MainController::prepareExit()
{
    for (Algorithm a : kAlgorithms) {
        ws_.cells(a).requestStop();
        reportAbort(a) = true;
    }
}

} // namespace velmor
