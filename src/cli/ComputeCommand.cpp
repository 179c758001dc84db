#include "cli/ComputeCommand.h"

#include "platform/Numbers.h"
#include "platform/Threads.h"
#include "run/AlgorithmTable.h"
#include "run/MainController.h"
#include "run/ResultRows.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <thread>

namespace velmor {

namespace {

using Clock = std::chrono::steady_clock;

// How often the main loop applies the run's changes and looks for Ctrl+C.
constexpr auto kLoopRest = std::chrono::milliseconds(10);

void printErrors(const ControlBoard& board, std::size_t from, std::ostream& err)
{
    const auto& errors = board.errors();
    for (std::size_t i = from; i < errors.size(); ++i) {
        err << errors[i].first << '\n';
        if (!errors[i].second.empty())
            err << errors[i].second << '\n';
    }
}

// The advanced settings: the settings window writes these workspace fields
// directly, and so does the command line.
void applySettings(StructureWorkspace& ws, const CliOptions& options)
{
    for (Algorithm a : kAlgorithms) {
        const AlgorithmChoice& choice = options.algorithm(a);
        AlgorithmCells& cells = ws.cells(a);
        cells.normal = choice.normal ? 1 : 0;
        cells.memoryLimit = choice.memoryLimit;
        cells.timeLimit = choice.timeLimit;
        cells.iterationLimit = choice.iterationLimit;
    }
}

int itemIndex(const ControlBoard& board, const std::string& combo, std::int32_t label)
{
    const std::vector<std::string>& items = board.control(combo).items;
    const auto found = std::find(items.begin(), items.end(), labelText(label));
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

// Sets the options panel the way a user would click it: an algorithm's
// variant buttons only come alive once it is chosen, the direction buttons
// once "from the file" is unticked, the node choices likewise.
void chooseOptions(MainController& controller, const CliOptions& options)
{
    for (Algorithm a : kAlgorithms)
        controller.userCheck(binding(a).checkBox, options.algorithm(a).selected);
    const int variantOf[3] = {options.abrahamRule - 1, options.enrVariant, options.nprVariant};
    for (Algorithm a : kAlgorithms) {
        const AlgorithmBinding& b = binding(a);
        const int variant = variantOf[static_cast<int>(a)];
        if (options.algorithm(a).selected && variant >= 0 && variant < static_cast<int>(b.variants.size()))
            controller.userCheck(b.variants[static_cast<std::size_t>(variant)], true);
    }
    controller.userCheck("CheckBox1", options.reduction);
    controller.userCheck("CheckBox2", options.idealTerminals);

    if (options.direction != DirectionChoice::FromFile) {
        controller.userCheck("zadan2", false);
        controller.userCheck(options.direction == DirectionChoice::Directed ? "RadioButton1" : "RadioButton2", true);
    }
    if (options.sourceLabel || options.destinationLabel) {
        controller.userCheck("zadan1", false);
        // A label that is no node of the structure leaves its box without a
        // choice; the run's own validation then says so.
        if (options.sourceLabel)
            controller.userSelect("ComboBox1", itemIndex(controller.board(), "ComboBox1", *options.sourceLabel));
        if (options.destinationLabel)
            controller.userSelect("ComboBox2",
                                  itemIndex(controller.board(), "ComboBox2", *options.destinationLabel));
    }
    controller.drain();
}

// The live progress line on a terminal, rewritten in place.
class ProgressLine {
public:
    ProgressLine(std::ostream* out, std::chrono::milliseconds interval, int width)
        : out_(out), interval_(interval), width_(width)
    {
    }

    void show(MainController& controller, const CliOptions& options, bool stopping, bool force = false)
    {
        if (!out_ || (!force && Clock::now() - lastShown_ < interval_))
            return;
        lastShown_ = Clock::now();
        const char separator = controller.engine().decimalSeparator();
        std::string line;
        for (Algorithm a : kAlgorithms) {
            if (!options.algorithm(a).selected)
                continue;
            const std::string& done = controller.board().text(binding(a).progressLabel);
            line += std::string(algorithmName(a)) + " " + (done.empty() ? "-" : done) + " "
                    + formatGeneral(controller.workspace().cells(a).availabilityValue(), separator) + "  ";
        }
        line += std::to_string(std::min(controller.board().progress(), 10000) / 100) + "%";
        if (stopping)
            line += "  stopping; Ctrl+C again ends at once";
        // A line that wraps could no longer be rewritten in place.
        if (width_ > 1 && line.size() >= static_cast<std::size_t>(width_))
            line.resize(static_cast<std::size_t>(width_ - 1));
        write(line);
    }

    void clear()
    {
        if (out_ && shownLength_ > 0)
            write("");
    }

private:
    void write(const std::string& line)
    {
        const std::size_t wipe = shownLength_ > line.size() ? shownLength_ - line.size() : 0;
        *out_ << '\r' << line << std::string(wipe, ' ');
        if (line.empty())
            *out_ << '\r';
        out_->flush();
        shownLength_ = line.size();
    }

    std::ostream* out_;
    std::chrono::milliseconds interval_;
    int width_;
    Clock::time_point lastShown_{};
    std::size_t shownLength_ = 0;
};

std::int32_t labelAt(const ElementList& elements, int index)
{
    const ElementEntry* entry = elements.entryAt(index);
    return entry ? entry->label : 0;
}

RunStatus statusOf(const AlgorithmCells& cells, bool stoppedByUser)
{
    if (cells.failed.load())
        return RunStatus::Failed;
    if (cells.anomalies.load() < 0)
        return stoppedByUser ? RunStatus::Stopped : RunStatus::Limited;
    return RunStatus::Done;
}

RunOutcome collectOutcome(MainController& controller, const CliOptions& options)
{
    StructureWorkspace& ws = controller.workspace();
    RunEngine& engine = controller.engine();
    const ControlBoard& board = controller.board();
    RunOutcome outcome;
    outcome.file = options.file;
    outcome.directed = board.checked("RadioButton1");
    outcome.source = labelAt(ws.elements, ws.sourceIndex);
    outcome.destination = labelAt(ws.elements, ws.destinationIndex);
    outcome.reduction = ws.reduction != 0;
    outcome.idealTerminals = ws.idealTerminals != 0;
    outcome.elements = ws.elements.count();
    outcome.workElements = ws.workMatrix.columnCount();
    for (Algorithm a : kAlgorithms) {
        if (!options.algorithm(a).selected)
            continue;
        const AlgorithmCells& cells = ws.cells(a);
        const ResultValues values = readResultValues(ws, a, engine.stoppedByUser(a));
        AlgorithmOutcome result;
        result.algorithm = a;
        result.availability = values.availability;
        result.memory = values.memory;
        result.time = values.time;
        result.iterations = cells.iterations.load();
        result.anomalies = values.anomalies;
        const int row = engine.rowOf(a);
        result.anomalyText = row > 0 ? board.cell(row, 4) : formatResultRow(a, values, '.').cells[4];
        result.terms = engine.finalTerms(a).rowCount();
        result.status = statusOf(cells, values.stoppedByUser);
        if (options.terms)
            result.termTexts = termTexts(engine.finalTerms(a), ws.elementMap, ws.elements);
        outcome.results.push_back(std::move(result));
    }
    return outcome;
}

bool enteredRunning(const std::vector<ControlChange>& changes)
{
    return std::any_of(changes.begin(), changes.end(), [](const ControlChange& c) {
        return c.kind == ControlChange::Kind::Enable && c.control == "stop" && c.on;
    });
}

} // namespace

std::vector<std::string> termTexts(const ByteMatrix& terms, const IntArray& elementMap, const ElementList& elements)
{
    std::vector<std::string> texts;
    for (int r = 0; r <= terms.lastRow(); ++r) {
        std::string text;
        for (int column = 0; column <= terms.lastColumn(); ++column) {
            const int value = terms.get(column, r);
            if (value != 1 && value != -1)
                continue;
            const ElementEntry* entry = elements.entryAt(elementMap.get(column));
            if (!text.empty())
                text += ' ';
            if (value == -1)
                text += '*';
            text += entry ? elementText(entry->label, entry->kind) : "?";
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

int runCompute(MainController& controller, const CliOptions& options, std::ostream& out, std::ostream& err,
               const ComputeEnvironment& environment)
{
    const auto interrupted = [&environment] { return environment.interrupted && environment.interrupted(); };

    applySettings(controller.workspace(), options);
    controller.openFile(options.file);
    controller.waitForArchive();
    controller.drain();
    if (!controller.structurePresent()) {
        printErrors(controller.board(), 0, err);
        return kExitLoadFailed;
    }
    chooseOptions(controller, options);

    const std::size_t errorsBefore = controller.board().errors().size();
    ProgressLine progress(environment.progress, environment.progressInterval, environment.progressWidth);
    bool running = false; // the run passed its validation
    bool stopAsked = false;
    // Every posted unit wakes the loop at once, so the end of a run is seen
    // without waiting out a rest; the rest only paces the interrupt checks
    // and the progress line.
    auto posted = std::make_shared<AutoResetEvent>();
    controller.channel().setWakeUp([posted] { posted->set(); });
    controller.startRun();
    for (;;) {
        running = enteredRunning(controller.drain()) || running;
        // A stop before the run has cleared its previous results would be
        // cleared with them; it waits until the run is really on.
        const bool stopNow = running && !stopAsked && interrupted();
        if (stopNow) {
            controller.stopRun();
            stopAsked = true;
        }
        // Start comes back on with the run's last controls.
        if (!controller.engine().busy() || (running && controller.board().enabled("play")))
            break;
        progress.show(controller, options, stopAsked, stopNow);
        posted->waitFor(kLoopRest);
    }
    controller.engine().waitUntilIdle();
    controller.channel().setWakeUp({});
    running = enteredRunning(controller.drain()) || running;
    progress.clear();

    const ControlBoard& board = controller.board();
    const bool errorsShown = board.errors().size() > errorsBefore;
    printErrors(board, errorsBefore, err);
    if (!running) {
        // A validation that fails changes no control; a start refused
        // outright (no thread for the run) turns Start off.
        return board.enabled("play") ? kExitUsage : kExitRunFailed;
    }

    const RunOutcome outcome = collectOutcome(controller, options);
    switch (options.format) {
    case OutputFormat::Table:
        writeTable(outcome, options.terms, controller.engine().decimalSeparator(), out);
        break;
    case OutputFormat::Json: writeJson(outcome, options.terms, out); break;
    case OutputFormat::Csv: writeCsv(outcome, options.terms, out); break;
    }
    out.flush();

    if (interrupted())
        return kExitInterrupted;
    const bool anyFailed = std::any_of(outcome.results.begin(), outcome.results.end(),
                                       [](const AlgorithmOutcome& r) { return r.status == RunStatus::Failed; });
    return anyFailed || errorsShown ? kExitRunFailed : kExitSuccess;
}

int runCompute(const CliOptions& options, std::ostream& out, std::ostream& err, const ComputeEnvironment& environment)
{
    // The workspace holds every container of a run; keep it off the stack.
    auto controller = std::make_unique<MainController>();
    return runCompute(*controller, options, out, err, environment);
}

} // namespace velmor
