#include "run/MainController.h"

#include "platform/Numbers.h"
#include "run/AlgorithmTable.h"
#include "run/RunDisplay.h"

#include <algorithm>
#include <climits>

namespace velmor {

namespace {

// The direction buttons, then each algorithm's variant buttons.
const std::vector<std::vector<std::string>>& radioGroups()
{
    static const std::vector<std::vector<std::string>> groups = [] {
        std::vector<std::vector<std::string>> all{{"RadioButton1", "RadioButton2"}};
        for (Algorithm a : kAlgorithms)
            all.emplace_back(binding(a).variants.begin(), binding(a).variants.end());
        return all;
    }();
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

MainController::MainController() : decimalSeparator_(userDecimalSeparator())
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
    appendResetMainControls(reset);
    reset.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
    applyUnit(reset);
    refreshResultControls();
    // A run clears the results on its core thread: the reports that read
    // them end first.
    engine_.setBeforeClearResults([this] { endReports(); });
}

MainController::~MainController()
{
    importanceJob_.discard();
    endReports();
    engine_.shutdown();
    archiveThread_.join();
}

// --- Applying changes ------------------------------------------------------------

void MainController::absorb()
{
    for (const ChannelItem& item : channel_.takeAll()) {
        if (const auto* unit = std::get_if<ControlUnit>(&item))
            applyUnit(*unit);
        else
            applyEvent(std::get<RunEvent>(item));
    }
}

std::vector<ControlChange> MainController::drain()
{
    absorb();
    refreshResultControls();
    std::vector<ControlChange> out;
    out.swap(applied_);
    return out;
}

void MainController::applyEvent(const RunEvent& event)
{
    // The pair of the run shown is the structure's pair from now on (a save
    // writes it); only this thread writes it while the structure is loaded.
    if (const auto* entered = std::get_if<events::RunEntered>(&event)) {
        ws_.sourceIndex = entered->sourceIndex;
        ws_.destinationIndex = entered->destinationIndex;
    }
    applyUnit(displayOf(event, decimalSeparator_));
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
        // The results that the open report windows show are gone: none of
        // them is a report of the present results any more.
        reportOpen_ = {};
        // The clearing that came with it is over: reports may start again.
        displays_.unblock();
    } else if (name == "reportControls")
        refreshReportControls();
    else if (name == "resultControls")
        refreshResultControls();
}

void MainController::refreshAlgorithmChoice()
{
    const bool present = structurePresent();
    for (Algorithm a : kRunAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        apply(ControlChange::enable(b.checkBox, present));
        if (b.lamp)
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

RunOptions MainController::runOptions() const
{
    RunOptions options = lastRequested_;
    for (Algorithm a : kRunAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        const AlgorithmSettings& settings = ws_.settings(a);
        AlgorithmOptions& o = options.of(a);
        o.selected = board_.checked(b.checkBox);
        // The first variant button that is set wins.
        for (std::size_t v = 0; v < b.variants.size(); ++v) {
            if (board_.checked(b.variants[v])) {
                o.variant = b.firstVariant + static_cast<int>(v);
                break;
            }
        }
        o.normal = settings.normal != 0;
        o.limits = RunLimits{settings.memoryLimit, settings.timeLimit, settings.iterationLimit};
        o.stackSize = settings.stackSize;
    }
    // Items are node labels right-aligned in a field; typed text is no choice.
    auto labelOf = [this](const char* combo) -> std::optional<std::int32_t> {
        const std::string item = board_.selectedItem(combo);
        if (item.empty())
            return std::nullopt;
        const std::int64_t label = cLong(item.c_str());
        if (label < INT32_MIN || label > INT32_MAX)
            return std::nullopt;
        return static_cast<std::int32_t>(label);
    };
    options.sourceLabel = labelOf("ComboBox1");
    options.destinationLabel = labelOf("ComboBox2");
    options.idealTerminals = board_.checked("CheckBox2");
    options.reduction = board_.checked("CheckBox1");
    options.direction = board_.checked("RadioButton1")   ? Direction::Directed
                        : board_.checked("RadioButton2") ? Direction::Undirected
                                                         : Direction::None;
    options.coreStackSize = ws_.coreStackSize;
    return options;
}

void MainController::startRun()
{
    absorb();
    archiveThread_.join(); // a save still reading the structure finishes first
    lastRequested_ = runOptions();
    engine_.startRun(lastRequested_, structurePresent());
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
    importanceJob_.stop();
    for (Algorithm a : kRunAlgorithms)
        ws_.cells(a).requestStop();
    for (Algorithm a : kAlgorithms)
        reportAbort(a) = true;
}

} // namespace velmor
