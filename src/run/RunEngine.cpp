#include "run/RunEngine.h"

#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "platform/HeapTuning.h"
#include "platform/Numbers.h"
#include "run/AlgorithmTable.h"
#include "run/ResultRows.h"

#include <cmath>
#include <exception>
#include <thread>

namespace velmor {

namespace {

using Clock = std::chrono::steady_clock;

// How long the polling loop rests between cycles: long enough to leave the
// cores to the algorithms, short enough for a live display.
constexpr auto kPollRest = std::chrono::milliseconds(2);

void appendRunningControls(ControlUnit& unit)
{
    auto set = [&unit](std::initializer_list<const char*> names, bool on) {
        for (const char* name : names)
            unit.push_back(ControlChange::enable(name, on));
    };
    set({"play", "Start1"}, false);
    set({"pause", "Pauze1"}, true);
    set({"resume", "Nastavi1"}, false);
    set({"stop", "Stop1"}, true);
    set({"Abraham3", "ENR3", "NPR3"}, true);
    set({"zatvoritrenutni", "Zatvoristrukturu1"}, false);
    set({"detaljni", "Svihodabranih1"}, false);
    set({"novadatoteka", "Novastruktura1"}, false);
    set({"otvoridatoteku", "Otvoridatoteku1"}, false);
    set({"rezabr", "rezenr", "reznpr"}, false);
    set({"A1", "ENR4", "NPR4"}, false);
}

void appendEndedControls(ControlUnit& unit)
{
    auto set = [&unit](std::initializer_list<const char*> names, bool on) {
        for (const char* name : names)
            unit.push_back(ControlChange::enable(name, on));
    };
    set({"play", "Start1"}, true);
    set({"pause", "Pauze1"}, false);
    set({"resume", "Nastavi1"}, false);
    set({"stop", "Stop1"}, false);
    set({"Abraham3", "ENR3", "NPR3"}, false);
    set({"zatvoritrenutni", "Zatvoristrukturu1"}, true);
    set({"detaljni", "Svihodabranih1"}, true);
    set({"novadatoteka", "Novastruktura1"}, true);
    set({"otvoridatoteku", "Otvoridatoteku1"}, true);
}

std::string progressText(const AlgorithmCells& cells)
{
    return std::to_string(cells.progressDone.load(std::memory_order_relaxed)) + "/"
           + std::to_string(cells.progressTotal.load(std::memory_order_relaxed));
}

float progressFraction(const AlgorithmCells& cells)
{
    if (cells.iterations.load(std::memory_order_relaxed) < 1)
        return 0;
    const auto done = static_cast<float>(cells.progressDone.load(std::memory_order_relaxed));
    const auto total = static_cast<float>(cells.progressTotal.load(std::memory_order_relaxed));
    return (done + 1) / (total + 1);
}

} // namespace

int progressStepFor(int chosenAlgorithms)
{
    return 10000 / std::max(chosenAlgorithms, 1) + 1;
}

int progressBarPosition(int progressStep, const std::array<float, 3>& fractions)
{
    long double sum = 0;
    for (float fraction : fractions)
        sum += static_cast<long double>(progressStep) * fraction;
    return static_cast<int>(std::ceil(static_cast<double>(sum)));
}

RunEngine::RunEngine(StructureWorkspace& ws, ControlChannel& channel)
    : ws_(ws), channel_(channel), decimalSeparator_(userDecimalSeparator())
{
    keepFreedMemoryInProcess();
}

RunEngine::~RunEngine()
{
    shutdown();
}

// --- Actions ------------------------------------------------------------------

void RunEngine::startRun(const RunRequest& request, bool structurePresent)
{
    if (!structurePresent) {
        ControlUnit unit;
        unit.push_back(ControlChange::error("Nije moguce pokrenuti program koji nije ucitan", ""));
        unit.push_back(ControlChange::enable("play", false));
        unit.push_back(ControlChange::enable("Start1", false));
        channel_.post(std::move(unit));
        resultsPresent_ = false;
        return;
    }
    // A second Start while a run validates or runs is refused; the controls
    // only go off once validation has passed.
    if (coreBusy_.exchange(true))
        return;
    // Gates left held by an earlier run open here, on the thread that also
    // pauses: a Pause that comes once this run is under way is never undone.
    for (Algorithm a : kAlgorithms)
        ws_.cells(a).pause.release();
    paused_ = false;
    coreThread_.join();
    joinAlgorithmThreads();
    bool started = false;
    std::string failure;
    try {
        started = launcher_(coreThread_, ws_.coreStackSize, [this, request] { runCore(request); });
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (started)
        return;
    coreBusy_ = false;
    ControlUnit unit;
    appendResetMainControls(unit);
    unit.push_back(ControlChange::procedure("refreshAlgorithmChoice"));
    if (failure.empty()) {
        unit.push_back(ControlChange::error("Neispravno ponašanje stvorene niti zbog nedostatka resursa", ""));
    } else {
        unit.push_back(ControlChange::error("Neispravno izvođenje programa u stvorenoj niti",
                                            "error description : " + failure));
        resultsPresent_ = false;
    }
    channel_.post(std::move(unit));
}

void RunEngine::pauseRun()
{
    if (!coreBusy_ || paused_)
        return;
    // Every gate, not only those of threads already running: a Pause that
    // comes while the core thread is still starting the algorithm threads
    // must hold the ones it starts later too. A gate that no thread passes
    // holds nothing.
    for (Algorithm a : kAlgorithms)
        ws_.cells(a).pause.hold();
    paused_ = true;
    channel_.post({ControlChange::enable("pause", false), ControlChange::enable("Pauze1", false),
                   ControlChange::enable("resume", true), ControlChange::enable("Nastavi1", true)});
}

void RunEngine::resumeRun()
{
    if (!paused_)
        return;
    for (Algorithm a : kAlgorithms)
        ws_.cells(a).pause.release();
    paused_ = false;
    channel_.post({ControlChange::enable("pause", true), ControlChange::enable("Pauze1", true),
                   ControlChange::enable("resume", false), ControlChange::enable("Nastavi1", false)});
}

void RunEngine::stopRun()
{
    for (Algorithm a : kAlgorithms)
        stopAlgorithm(a);
}

void RunEngine::stopAlgorithm(Algorithm a)
{
    AlgorithmCells& cells = ws_.cells(a);
    if (cells.thread.load() > 0 || cells.selected.load()) {
        // Marked before the request: an algorithm that ends on the request
        // must find its row marked as stopped by the user, not as limited.
        stoppedByUser_[index(a)] = true;
        cells.requestStop();
    }
}

void RunEngine::clearResults(ControlUnit& unit)
{
    if (beforeClearResults_)
        beforeClearResults_();
    ws_.resetResults();
    for (Algorithm a : kAlgorithms)
        unit.push_back(ControlChange::setText(binding(a).progressLabel, ""));
    for (int row = 1; row <= 3; ++row)
        for (int column = 0; column < 5; ++column)
            unit.push_back(ControlChange::cell(row, column, ""));
    unit.push_back(ControlChange::rowCount(2));
    unit.push_back(ControlChange::procedure("resetReportCascade"));
    for (auto& stopped : stoppedByUser_)
        stopped = false;
}

void RunEngine::appendResetMainControls(ControlUnit& unit)
{
    auto disable = [&unit](std::initializer_list<const char*> names) {
        for (const char* name : names)
            unit.push_back(ControlChange::enable(name, false));
    };
    disable({"spremipodatke", "Spremistrukturu1", "zatvoritrenutni", "Zatvoristrukturu1", "play", "Start1", "pause",
             "Pauze1", "resume", "Nastavi1", "stop", "Stop1", "Abraham3", "ENR3", "NPR3", "detaljni",
             "Svihodabranih1"});
    appendGridHeader(unit);
    disable({"ComboBox1", "ComboBox2", "RadioButton1", "RadioButton2", "RadioButton4", "RadioButton5", "RadioButton6",
             "RadioButton7", "RadioButton8", "RadioButton9", "RadioButton10", "CheckBox1"});
    unit.push_back(ControlChange::procedure("reductionMarks"));
    disable({"CheckBox2", "rezstr", "matricastrukture2", "rezabr", "rezenr", "reznpr", "A1", "ENR4", "NPR4"});
    for (const char* pairBox : {"zadan1", "zadan2"}) {
        unit.push_back(ControlChange::enable(pairBox, false));
        unit.push_back(ControlChange::check(pairBox, false));
    }
    disable({"CheckBox3", "CheckBox4", "CheckBox5"});
}

void RunEngine::waitUntilIdle()
{
    coreThread_.join();
    joinAlgorithmThreads();
}

void RunEngine::shutdown()
{
    for (Algorithm a : kAlgorithms) {
        ws_.cells(a).requestStop();
        ws_.cells(a).pause.release();
    }
    paused_ = false;
    waitUntilIdle();
}

void RunEngine::joinAlgorithmThreads()
{
    for (WorkerThread& thread : algorithmThreads_)
        thread.join();
}

// --- Core thread ----------------------------------------------------------------

void RunEngine::runCore(const RunRequest& request)
{
    resolveTerminals(request);
    if (!validate()) {
        coreBusy_ = false;
        return;
    }
    ControlUnit running;
    appendRunningControls(running);
    clearResults(running);
    channel_.post(std::move(running));
    captureOptions(request);

    ControlUnit lamps;
    for (Algorithm a : kAlgorithms)
        lamps.push_back(ControlChange::fill(binding(a).lamp, ws_.cells(a).selected.load() ? kYellow : kSkyBlue));
    channel_.post(std::move(lamps));

    runChosenAlgorithms(request);

    ControlUnit ended;
    if (resultsPresent_) {
        for (Algorithm a : kAlgorithms)
            if (ws_.cells(a).selected.load())
                fillResultRow(ended, a);
    }
    appendEndedControls(ended);
    channel_.post(std::move(ended));
    coreBusy_ = false;
}

void RunEngine::resolveTerminals(const RunRequest& request)
{
    for (Algorithm a : kAlgorithms)
        ws_.cells(a).selected = request.selected[index(a)] ? 1 : 0;
    auto nodeOf = [this](const std::string& item) {
        int found = -1;
        if (item.empty())
            return -1;
        const std::int64_t label = cLong(item.c_str());
        if (label < INT32_MIN || label > INT32_MAX || !ws_.elements.find(static_cast<std::int32_t>(label), NodeKind, found))
            return -1;
        return found;
    };
    ws_.sourceIndex = nodeOf(request.sourceItem);
    ws_.destinationIndex = nodeOf(request.destinationItem);
    ws_.idealTerminals = request.idealTerminals ? 1 : 0;
}

bool RunEngine::validate()
{
    const bool anyChosen = ws_.abraham.selected.load() || ws_.enr.selected.load() || ws_.npr.selected.load();
    if (ws_.sourceIndex < 0 || ws_.destinationIndex < 0) {
        report("Ili izvorišni ili odredišni čvor nisu zadani,", "pravilno specificirajte karakteristiku grafa");
        return false;
    }
    if (ws_.sourceIndex == ws_.destinationIndex) {
        if (anyChosen)
            report("Izvorišni i odredišni čvorovi su identični, stoga je",
                   "svrsishodno odrediti međusobno različite čvorove");
        else
            report("Izvorišni i odredišni čvorovi su identični, te", "nije zadan niti jedan ponuđeni algoritam");
        return false;
    }
    if (!anyChosen) {
        report("      Potrebno je izabrati barem jedan algoritam", "");
        return false;
    }
    return true;
}

void RunEngine::captureOptions(const RunRequest& request)
{
    ws_.reduction = request.reduction ? 1 : 0;
    ws_.idealTerminals = request.idealTerminals ? 1 : 0;
    ws_.extendedThreads = 0; // one creation call on this platform
    if (request.abrahamRule == 1 || request.abrahamRule == 2)
        ws_.abrahamRule = request.abrahamRule;
    if (request.enrVariant >= 0 && request.enrVariant <= 2)
        ws_.enrVariant = request.enrVariant;
    if (request.nprVariant >= 0 && request.nprVariant <= 1)
        ws_.nprVariant = request.nprVariant;
}

void RunEngine::runChosenAlgorithms(const RunRequest& request)
{
    using Direction = RunRequest::Direction;
    if (request.direction == Direction::None)
        return; // nothing to compute without a direction
    try {
        const ByteMatrix& incidence =
            request.direction == Direction::Directed ? ws_.directedMatrix : ws_.undirectedMatrix;
        incidence.copyTo(ws_.workMatrix);
        if (coordinateAlgorithms()) {
            resultsPresent_ = true;
            return;
        }
        reportFailedAlgorithms(request.direction == Direction::Directed);
    } catch (const std::exception& e) {
        report("Lokalna nestabilnost programa, pokušaj ponovo", std::string("error description : ") + e.what());
    }
}

void RunEngine::reportFailedAlgorithms(bool directed)
{
    std::string list;
    resultsPresent_ = false;
    ControlUnit unit;
    for (Algorithm a : kAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (cells.failed.load()) {
            if (!list.empty())
                list += ", ";
            list += binding(a).name;
            unit.push_back(ControlChange::fill(binding(a).lamp, kBlack));
            cells.selected = 0;
            cells.done = 0;
        } else if (cells.selected.load()) {
            resultsPresent_ = true;
        }
    }
    unit.push_back(ControlChange::error(
        directed ? "Neispravno izvršenje navedenih algoritama :" : "Neispravno izvršavanje algoritma :", list));
    channel_.post(std::move(unit));
}

void RunEngine::report(const std::string& first, const std::string& second)
{
    channel_.post({ControlChange::error(first, second)});
}

// --- Coordination -----------------------------------------------------------------

bool RunEngine::coordinateAlgorithms()
{
    int chosen = 0;
    for (Algorithm a : kAlgorithms)
        chosen += ws_.cells(a).selected.load() ? 1 : 0;
    const int progressStep = progressStepFor(chosen);
    for (ByteMatrix& terms : finalTerms_)
        terms.clear();
    channel_.post({ControlChange::progress(0)});
    if (!mapWorkStructure(ws_))
        return false;

    int row = 0;
    for (Algorithm a : kAlgorithms) {
        liveSums_[index(a)] = LiveSum{};
        finalEvaluated_[index(a)] = false;
        rows_[index(a)] = 0;
        ws_.cells(a).thread = 0; // a handle of an earlier run is never paused again
        if (!ws_.cells(a).selected.load())
            continue;
        rows_[index(a)] = ++row;
        ++runningAlgorithms_;
    }
    channel_.post({ControlChange::rowCount(row + 1)});

    allAlgorithmsDone_ = std::make_unique<AutoResetEvent>();
    startAlgorithmThreads();

    // The count is read before the cycle, so that the last cycle runs after
    // every algorithm thread has written its final counters and is always
    // shown, whatever the display interval.
    // The texts of the display are only built for the cycles that send them:
    // most cycles just gather the new terms.
    ControlUnit display;
    auto lastShown = Clock::now() - displayInterval_;
    for (bool last = false; !last;) {
        last = runningAlgorithms_.load() == 0;
        const bool show = last || Clock::now() - lastShown >= displayInterval_;
        pollCycle(show ? &display : nullptr, progressStep);
        if (show) {
            channel_.post(std::move(display));
            display.clear();
            lastShown = Clock::now();
        }
        if (!last)
            std::this_thread::sleep_for(kPollRest);
    }
    allAlgorithmsDone_->wait();
    allAlgorithmsDone_.reset();
    joinAlgorithmThreads();

    channel_.post({ControlChange::progress(10000)});
    evaluateFinalTerms();
    for (Algorithm a : kAlgorithms)
        if (ws_.cells(a).failed.load())
            return false;
    return true;
}

void RunEngine::startAlgorithmThreads()
{
    for (Algorithm a : kAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (!cells.selected.load())
            continue;
        bool started = false;
        std::string failure;
        try {
            started = launcher_(algorithmThreads_[index(a)], cells.stackSize, [this, a] { runAlgorithmThread(a); });
        } catch (const std::exception& e) {
            failure = e.what();
        }
        if (started) {
            cells.thread = nextHandle_++;
            continue;
        }
        // A thread that never ran must not hold up the polling: it is taken
        // out of the running count and counts as failed.
        cells.thread = -1;
        cells.failed = 1;
        if (failure.empty())
            report(binding(a).threadFailure, "");
        else
            report("Neispravno izvođenje programa u stvorenim nitima", "error description : " + failure);
        finishOne();
    }
}

void RunEngine::pollCycle(ControlUnit* display, int progressStep)
{
    std::array<float, 3> fractions{};
    for (Algorithm a : kAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (!cells.selected.load())
            continue;
        const AlgorithmBinding& b = binding(a);
        if (display)
            display->push_back(ControlChange::setText(b.progressLabel, progressText(cells)));
        if (!cells.stopRequested()) {
            if (cells.done.load() || cells.failed.load()) {
                // A finished algorithm's terms no longer change: evaluate once.
                if (!finalEvaluated_[index(a)])
                    evaluateFinal(a);
            } else {
                LiveSum& sum = liveSums_[index(a)];
                addNewTerms(ws_.liveTerms(a), cells.feed, cells.partialCount.load(), b.skipColumns, ws_.elementMap,
                            ws_.workSourceIndex, ws_.workDestinationIndex, ws_.elements, ws_.idealTerminals, sum);
                cells.storeAvailability(sum.value);
            }
            if (display)
                fillResultRow(*display, a);
        }
        fractions[index(a)] = progressFraction(cells);
    }
    if (display)
        display->push_back(ControlChange::progress(progressBarPosition(progressStep, fractions)));
}

// The polling has already evaluated every algorithm that ended without a
// stop request; evaluating its terms again would only repeat the same sum
// while the run waits.
void RunEngine::evaluateFinalTerms()
{
    for (Algorithm a : kAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (cells.selected.load() && !cells.failed.load() && !finalEvaluated_[index(a)])
            evaluateFinal(a);
    }
}

void RunEngine::evaluateFinal(Algorithm a)
{
    AlgorithmCells& cells = ws_.cells(a);
    long double value = 0;
    if (!finishLiveSum(a, value)
        && !evaluateTerms(finalTerms_[index(a)], ws_.elementMap, ws_.workSourceIndex, ws_.workDestinationIndex,
                          ws_.elements, value, ws_.idealTerminals))
        cells.failed = 1;
    cells.storeAvailability(value);
    finalEvaluated_[index(a)] = true;
}

// The final terms are the live rows (Abraham) or their success rows (the
// trees) in row order, and the live sum has multiplied most of them out
// already, adding in the same order from 0: finished over the rows left, it
// is the final availability to the last bit, and the run does not wait for
// the products a second time. Taken only when it counted exactly the final
// terms over rows that stayed as they were read.
bool RunEngine::finishLiveSum(Algorithm a, long double& value)
{
    const int skipColumns = binding(a).skipColumns;
    const ByteMatrix& live = ws_.liveTerms(a);
    const ByteMatrix& terms = finalTerms_[index(a)];
    LiveSum& sum = liveSums_[index(a)];
    if (!addNewTerms(live, ws_.cells(a).feed, 0, skipColumns, ws_.elementMap, ws_.workSourceIndex,
                     ws_.workDestinationIndex, ws_.elements, ws_.idealTerminals, sum))
        return false;
    if (!sum.exact || sum.terms != terms.rowCount() || sum.cursor != live.rowCount()
        || (sum.terms > 0 && terms.columnCount() != live.columnCount() - skipColumns))
        return false;
    value = sum.value;
    return true;
}

void RunEngine::runAlgorithmThread(Algorithm a)
{
    AlgorithmCells& cells = ws_.cells(a);
    const AlgorithmBinding& b = binding(a);
    bool ok = false;
    try {
        AlgorithmRun run(a, cells);
        ok = b.driver(run, ws_, finalTerms_[index(a)]);
    } catch (const std::exception&) {
        ok = false; // an allocation that failed deep inside counts as a failed run
    }
    ControlUnit unit;
    if (ok) {
        cells.done = 1;
        unit.push_back(ControlChange::fill(b.lamp, kGreen));
    } else {
        cells.failed = 1;
    }
    // Posted before the count goes down, so that the core thread's final rows
    // always come after this thread's own.
    unit.push_back(ControlChange::enable(b.reportButton, true));
    fillResultRow(unit, a);
    channel_.post(std::move(unit));
    finishOne();
}

void RunEngine::finishOne()
{
    if (runningAlgorithms_.fetch_sub(1) == 1 && allAlgorithmsDone_)
        allAlgorithmsDone_->set();
}

void RunEngine::fillResultRow(ControlUnit& unit, Algorithm a)
{
    const ResultValues values = readResultValues(ws_, a, stoppedByUser_[index(a)].load());
    appendResultRow(unit, a, rows_[index(a)], formatResultRow(a, values, decimalSeparator_));
}

} // namespace velmor
