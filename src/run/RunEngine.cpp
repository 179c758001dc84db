#include "run/RunEngine.h"

#include "algorithms/RunFrame.h"
#include "algorithms/WorkStructure.h"
#include "platform/HeapTuning.h"
#include "run/AlgorithmTable.h"
#include "run/ResultRows.h"
#include "run/ThreadStart.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>

namespace velmor {

namespace {

using Clock = std::chrono::steady_clock;

// How long the polling loop rests between cycles: long enough to leave the
// cores to the algorithms, short enough for a live display.
constexpr auto kPollRest = std::chrono::milliseconds(2);

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

int progressBarPosition(int progressStep, const std::array<float, kRunAlgorithms.size()>& fractions)
{
    long double sum = 0;
    for (float fraction : fractions)
        sum += static_cast<long double>(progressStep) * fraction;
    return static_cast<int>(std::ceil(static_cast<double>(sum)));
}

RunEngine::RunEngine(StructureWorkspace& ws, ControlChannel& channel) : ws_(ws), channel_(channel)
{
    keepFreedMemoryInProcess();
}

RunEngine::~RunEngine()
{
    shutdown();
}

// --- Actions ------------------------------------------------------------------

void RunEngine::startRun(const RunOptions& options, bool structurePresent)
{
    if (!structurePresent) {
        resultsPresent_ = false;
        channel_.post(events::StartRefused{true, "Nije moguce pokrenuti program koji nije ucitan", ""});
        return;
    }
    // A second Start while a run validates or runs is refused; the controls
    // only go off once validation has passed.
    if (coreBusy_.exchange(true))
        return;
    // Gates left held by an earlier run open here, on the thread that also
    // pauses: a Pause that comes once this run is under way is never undone.
    for (Algorithm a : kRunAlgorithms)
        ws_.cells(a).pause.release();
    paused_ = false;
    coreThread_.join();
    joinAlgorithmThreads();
    const auto failure =
        startThread(launcher_, coreThread_, options.coreStackSize, [this, options] { runCore(options); });
    if (!failure)
        return;
    coreBusy_ = false;
    if (failure->raised)
        resultsPresent_ = false;
    channel_.post(events::StartRefused{false, failure->first, failure->second});
}

void RunEngine::pauseRun()
{
    if (!coreBusy_ || paused_)
        return;
    // Every gate, not only those of threads already running: a Pause that
    // comes while the core thread is still starting the algorithm threads
    // must hold the ones it starts later too. A gate that no thread passes
    // holds nothing.
    for (Algorithm a : kRunAlgorithms)
        ws_.cells(a).pause.hold();
    paused_ = true;
    channel_.post(events::PauseChanged{true});
}

void RunEngine::resumeRun()
{
    if (!paused_)
        return;
    for (Algorithm a : kRunAlgorithms)
        ws_.cells(a).pause.release();
    paused_ = false;
    channel_.post(events::PauseChanged{false});
}

void RunEngine::stopRun()
{
    for (Algorithm a : kRunAlgorithms)
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

void RunEngine::clearResults()
{
    if (beforeClearResults_)
        beforeClearResults_();
    ws_.resetResults();
    for (auto& stopped : stoppedByUser_)
        stopped = false;
    for (auto& ended : endedByCeiling_)
        ended = false;
}

RunOptions RunEngine::lastOptions() const
{
    std::lock_guard guard(lastOptionsLock_);
    return lastOptions_;
}

void RunEngine::waitUntilIdle()
{
    coreThread_.join();
    joinAlgorithmThreads();
}

void RunEngine::shutdown()
{
    for (Algorithm a : kRunAlgorithms) {
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

void RunEngine::runCore(const RunOptions& options)
{
    resolveTerminals(options);
    if (!validate()) {
        coreBusy_ = false;
        return;
    }
    options_ = options;
    {
        std::lock_guard guard(lastOptionsLock_);
        lastOptions_ = options;
    }
    clearResults();
    events::RunEntered entered{{}, source_, destination_};
    for (Algorithm a : kRunAlgorithms)
        if (options_.of(a).selected)
            entered.chosen.push_back(a);
    channel_.post(std::move(entered));

    runChosenAlgorithms();

    events::RunEnded ended;
    ended.resultsPresent = resultsPresent_;
    if (resultsPresent_)
        for (Algorithm a : kRunAlgorithms)
            if (ws_.cells(a).selected.load())
                ended.rows.push_back({a, rows_[index(a)], resultValues(a)});
    channel_.post(std::move(ended));
    coreBusy_ = false;
}

void RunEngine::resolveTerminals(const RunOptions& options)
{
    for (Algorithm a : kRunAlgorithms)
        ws_.cells(a).selected = options.of(a).selected ? 1 : 0;
    auto nodeOf = [this](const std::optional<std::int32_t>& label) {
        int found = -1;
        if (!label || !ws_.elements.find(*label, NodeKind, found))
            return -1;
        return found;
    };
    source_ = nodeOf(options.sourceLabel);
    destination_ = nodeOf(options.destinationLabel);
}

bool RunEngine::validate()
{
    const bool anyChosen = std::any_of(kRunAlgorithms.begin(), kRunAlgorithms.end(),
                                       [this](Algorithm a) { return ws_.cells(a).selected.load() != 0; });
    if (source_ < 0 || destination_ < 0) {
        report("Ili izvorišni ili odredišni čvor nisu zadani,", "pravilno specificirajte karakteristiku grafa");
        return false;
    }
    if (source_ == destination_) {
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

void RunEngine::runChosenAlgorithms()
{
    if (options_.direction == Direction::None)
        return; // nothing to compute without a direction
    try {
        const ByteMatrix& incidence =
            options_.direction == Direction::Directed ? ws_.directedMatrix : ws_.undirectedMatrix;
        incidence.copyTo(ws_.workMatrix);
        if (coordinateAlgorithms()) {
            resultsPresent_ = true;
            return;
        }
        reportFailedAlgorithms();
    } catch (const std::exception& e) {
        abandonAlgorithms();
        report("Lokalna nestabilnost programa, pokušaj ponovo", std::string("error description : ") + e.what());
    }
}

// The run cannot go on, but its algorithm threads may: they are stopped and
// joined here, so that the run's end never comes while one still writes its
// rows (a report could then be opened on them).
void RunEngine::abandonAlgorithms()
{
    for (Algorithm a : kRunAlgorithms) {
        ws_.cells(a).requestStop();
        ws_.cells(a).pause.release();
    }
    joinAlgorithmThreads();
    runningAlgorithms_ = 0;
    allAlgorithmsDone_.reset();
    resultsPresent_ = false;
}

void RunEngine::reportFailedAlgorithms()
{
    events::AlgorithmsFailed failed;
    failed.first = options_.direction == Direction::Directed ? "Neispravno izvršenje navedenih algoritama :"
                                                             : "Neispravno izvršavanje algoritma :";
    resultsPresent_ = false;
    for (Algorithm a : kRunAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (cells.failed.load()) {
            if (!failed.second.empty())
                failed.second += ", ";
            failed.second += algorithmName(a);
            failed.failed.push_back(a);
            cells.selected = 0;
            cells.done = 0;
        } else if (cells.selected.load()) {
            resultsPresent_ = true;
        }
    }
    channel_.post(std::move(failed));
}

void RunEngine::report(std::string first, std::string second)
{
    channel_.post(events::Failure{std::move(first), std::move(second)});
}

// --- Coordination -----------------------------------------------------------------

bool RunEngine::coordinateAlgorithms()
{
    const int progressStep = progressStepFor(options_.chosenCount());
    for (TermRows& terms : finalTerms_)
        terms.clear();
    channel_.post(events::BarMoved{0});
    if (!mapWorkStructure(ws_, options_, source_, destination_))
        return false;

    int row = 0;
    for (Algorithm a : kRunAlgorithms) {
        liveSums_[index(a)] = LiveSum{};
        finalEvaluated_[index(a)] = false;
        rows_[index(a)] = 0;
        ws_.cells(a).thread = 0; // a handle of an earlier run is never paused again
        if (!ws_.cells(a).selected.load())
            continue;
        rows_[index(a)] = ++row;
        ++runningAlgorithms_;
    }
    channel_.post(events::RowsGiven{row});

    allAlgorithmsDone_ = std::make_unique<AutoResetEvent>();
    watch_ = std::make_unique<MemoryWatch>(*ceiling_);
    startAlgorithmThreads();
    if (afterAlgorithmsStarted_)
        afterAlgorithmsStarted_();

    // The count is read before the cycle, so that the last cycle runs after
    // every algorithm thread has written its final counters and is always
    // shown, whatever the display interval.
    // The figures of the display are only read for the cycles that send
    // them: most cycles just gather the new terms.
    auto lastShown = Clock::now() - displayInterval_;
    for (bool last = false; !last;) {
        last = runningAlgorithms_.load() == 0;
        const bool show = last || Clock::now() - lastShown >= displayInterval_;
        events::Progress display;
        pollCycle(show ? &display : nullptr, progressStep);
        if (show) {
            channel_.post(std::move(display));
            lastShown = Clock::now();
        }
        if (!last)
            std::this_thread::sleep_for(kPollRest);
    }
    allAlgorithmsDone_->wait();
    allAlgorithmsDone_.reset();
    joinAlgorithmThreads();

    channel_.post(events::BarMoved{10000});
    evaluateFinalTerms();
    for (Algorithm a : kRunAlgorithms)
        if (ws_.cells(a).failed.load())
            return false;
    return true;
}

void RunEngine::startAlgorithmThreads()
{
    for (Algorithm a : kRunAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (!cells.selected.load())
            continue;
        const auto failure =
            startThread(launcher_, algorithmThreads_[index(a)], options_.of(a).stackSize,
                        [this, a] { runAlgorithmThread(a); }, binding(a).threadFailure,
                        "Neispravno izvođenje programa u stvorenim nitima");
        if (!failure) {
            cells.thread = nextHandle_++;
            continue;
        }
        // A thread that never ran must not hold up the polling: it is taken
        // out of the running count and counts as failed.
        cells.thread = -1;
        cells.failed = 1;
        report(failure->first, failure->second);
        finishOne();
    }
}

void RunEngine::pollCycle(events::Progress* display, int progressStep)
{
    std::array<float, kRunAlgorithms.size()> fractions{};
    for (Algorithm a : kRunAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (!cells.selected.load())
            continue;
        const bool refreshed = !cells.stopRequested();
        if (refreshed) {
            if (cells.done.load() || cells.failed.load()) {
                // A finished algorithm's terms no longer change: evaluate once.
                if (!finalEvaluated_[index(a)])
                    evaluateFinal(a);
            } else if (traits(a).deliversTerms) {
                LiveSum& sum = liveSums_[index(a)];
                addLiveTerms(a, sum, cells.partialCount.load());
                cells.storeAvailability(sum.value);
                cells.storeBounds(sum.bounds(traits(a).skipColumns == 1));
            }
        }
        if (display) {
            events::AlgorithmProgress progress{a, rows_[index(a)],
                                               cells.progressDone.load(std::memory_order_relaxed),
                                               cells.progressTotal.load(std::memory_order_relaxed),
                                               std::nullopt};
            if (refreshed)
                progress.values = resultValues(a);
            display->algorithms.push_back(std::move(progress));
        }
        fractions[index(a)] = progressFraction(cells);
    }
    if (display)
        display->position = progressBarPosition(progressStep, fractions);
}

// The polling has already evaluated every algorithm that ended without a
// stop request; evaluating its terms again would only repeat the same sum
// while the run waits.
void RunEngine::evaluateFinalTerms()
{
    for (Algorithm a : kRunAlgorithms) {
        AlgorithmCells& cells = ws_.cells(a);
        if (cells.selected.load() && !cells.failed.load() && !finalEvaluated_[index(a)])
            evaluateFinal(a);
    }
}

void RunEngine::evaluateFinal(Algorithm a)
{
    finalEvaluated_[index(a)] = true;
    if (!traits(a).deliversTerms)
        return; // it stored its availability and bounds itself
    AlgorithmCells& cells = ws_.cells(a);
    LiveSum& sum = liveSums_[index(a)];
    long double value = 0;
    if (!finishLiveSum(a, value)) {
        if (!evaluateTerms(finalTerms_[index(a)], ws_.elementMap, ws_.workSourceIndex, ws_.workDestinationIndex,
                           ws_.elements, value, options_.idealTerminals))
            cells.failed = 1;
        // The failure leaves are summed again over the rows as they stay.
        sum = LiveSum{};
        addLiveTerms(a, sum);
    }
    cells.storeAvailability(value);
    // An algorithm that ran to its end has closed the bracket.
    const bool ranToEnd = !cells.failed.load() && cells.anomalies.load() >= 0;
    const long double upper = std::max(sum.bounds(traits(a).skipColumns == 1).upper, value);
    cells.storeBounds({value, ranToEnd ? value : upper});
}

bool RunEngine::addLiveTerms(Algorithm a, LiveSum& sum, int pending)
{
    return addNewTerms(ws_.liveTerms(a), ws_.cells(a).feed, pending, traits(a).skipColumns, ws_.elementMap,
                       ws_.workSourceIndex, ws_.workDestinationIndex, ws_.elements, options_.idealTerminals, sum);
}

// The final terms are the live rows (Abraham) or their success rows (the
// trees) in row order, and the live sum has multiplied most of them out
// already, adding in the same order from 0: finished over the rows left, it
// is the final availability to the last bit, and the run does not wait for
// the products a second time. Taken only when it counted exactly the final
// terms over rows that stayed as they were read.
bool RunEngine::finishLiveSum(Algorithm a, long double& value)
{
    const int skipColumns = traits(a).skipColumns;
    const TermRows& live = ws_.liveTerms(a);
    const TermRows& terms = finalTerms_[index(a)];
    LiveSum& sum = liveSums_[index(a)];
    if (!addLiveTerms(a, sum))
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
    bool ok = false;
    try {
        AlgorithmRun run(a, cells, options_.of(a), options_.idealTerminals, watch_.get());
        ok = traits(a).driver(run, ws_, finalTerms_[index(a)]);
    } catch (const std::exception&) {
        ok = false; // an allocation that failed deep inside counts as a failed run
    }
    endedByCeiling_[index(a)] = watch_->endedByCeiling(a);
    if (ok)
        cells.done = 1;
    else
        cells.failed = 1;
    // Posted before the count goes down, so that the core thread's final rows
    // always come after this thread's own.
    channel_.post(events::AlgorithmEnded{a, rows_[index(a)], ok, resultValues(a)});
    finishOne();
}

void RunEngine::finishOne()
{
    if (runningAlgorithms_.fetch_sub(1) == 1 && allAlgorithmsDone_)
        allAlgorithmsDone_->set();
}

ResultValues RunEngine::resultValues(Algorithm a) const
{
    return readResultValues(ws_, a, stoppedByUser_[index(a)].load());
}

} // namespace velmor
