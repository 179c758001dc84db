#pragma once

#include "algorithms/RunOptions.h"
#include "containers/CellMatrix.h"
#include "platform/MemoryCeiling.h"
#include "platform/Threads.h"
#include "run/ControlChannel.h"
#include "structure/StructureWorkspace.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace velmor {

class MemoryWatch;

// The share of the progress bar (0..10000, more means full) for the
// fractions of the three algorithms; an unchosen one has fraction 0.
int progressStepFor(int chosenAlgorithms);
int progressBarPosition(int progressStep, const std::array<float, kRunAlgorithms.size()>& fractions);

// Runs the chosen algorithms, each on a thread of its own, coordinated by a
// core thread that validates the run, follows the progress and partial
// results and evaluates the final terms. It tells its front end what happens
// only through run events on the channel, and takes everything a run uses
// from the options it is started with.
class RunEngine {
public:
    RunEngine(StructureWorkspace& ws, ControlChannel& channel);
    ~RunEngine();
    RunEngine(const RunEngine&) = delete;
    RunEngine& operator=(const RunEngine&) = delete;

    // Actions (the front end's thread).
    void startRun(const RunOptions& options, bool structurePresent);
    void pauseRun();
    void resumeRun();
    void stopRun();
    void stopAlgorithm(Algorithm a);

    // Empties the previous results of the workspace and the stopped-by-user
    // marks; used at the start of a run and by file actions.
    void clearResults();

    bool busy() const { return coreBusy_.load(); }
    bool paused() const { return paused_.load(); }
    bool resultsPresent() const { return resultsPresent_.load(); }
    void setResultsPresent(bool on) { resultsPresent_.store(on); }
    bool stoppedByUser(Algorithm a) const { return stoppedByUser_[index(a)].load(); }
    // Whether the algorithm ended because the machine ran short of memory
    // (it shows as limited, like one that reached its memory limit).
    bool endedByCeiling(Algorithm a) const { return endedByCeiling_[index(a)].load(); }
    int rowOf(Algorithm a) const { return rows_[index(a)]; }
    TermRows& finalTerms(Algorithm a) { return finalTerms_[index(a)]; }
    // The options of the run that produced the present results.
    RunOptions lastOptions() const;

    // Waits until the present run (if any) has ended and its threads are gone.
    void waitUntilIdle();
    // Raises every stop request, releases paused threads and waits for them.
    void shutdown();

    void setThreadLauncher(ThreadLauncher launcher) { launcher_ = std::move(launcher); }
    // The memory ceiling the runs keep to: the machine's unless replaced
    // (tests give a small one). Changed only between runs.
    void setMemoryCeiling(MemoryCeiling& ceiling) { ceiling_ = &ceiling; }
    // Called before results are cleared, so that readers of them can stop.
    void setBeforeClearResults(std::function<void()> hook) { beforeClearResults_ = std::move(hook); }
    // Called on the core thread once the algorithm threads are started.
    void setAfterAlgorithmsStarted(std::function<void()> hook) { afterAlgorithmsStarted_ = std::move(hook); }
    // How often the polling loop sends its progress.
    void setDisplayInterval(std::chrono::milliseconds interval) { displayInterval_ = interval; }

private:
    static std::size_t index(Algorithm a) { return static_cast<std::size_t>(a); }

    void runCore(const RunOptions& options);
    void resolveTerminals(const RunOptions& options);
    bool validate();
    void runChosenAlgorithms();
    bool coordinateAlgorithms();
    void startAlgorithmThreads();
    // Gathers the new terms and evaluates finished algorithms; with a display
    // event, also fills in the progress of every chosen algorithm.
    void pollCycle(events::Progress* display, int progressStep);
    void evaluateFinalTerms();
    void evaluateFinal(Algorithm a);
    bool finishLiveSum(Algorithm a, long double& value);
    // Adds the rows of a's live term matrix published since `sum` last read.
    bool addLiveTerms(Algorithm a, LiveSum& sum, int pending = 0);
    void runAlgorithmThread(Algorithm a);
    void finishOne();
    void reportFailedAlgorithms();
    ResultValues resultValues(Algorithm a) const;
    void report(std::string first, std::string second);
    void joinAlgorithmThreads();
    void abandonAlgorithms();

    StructureWorkspace& ws_;
    ControlChannel& channel_;
    ThreadLauncher launcher_ = defaultThreadLauncher();
    MemoryCeiling* ceiling_ = &MemoryCeiling::system();
    // The present run's watch over the ceiling: made before its algorithm
    // threads start, kept until the next run's.
    std::unique_ptr<MemoryWatch> watch_;
    std::function<void()> beforeClearResults_;
    std::function<void()> afterAlgorithmsStarted_;
    std::chrono::milliseconds displayInterval_{40};

    // The present run's options: written by the core thread before any
    // algorithm thread of the run starts, then only read.
    RunOptions options_;
    int source_ = -1; // the run's pair, resolved from the options' labels
    int destination_ = -1;
    mutable std::mutex lastOptionsLock_;
    RunOptions lastOptions_;

    WorkerThread coreThread_;
    std::array<WorkerThread, kRunAlgorithms.size()> algorithmThreads_;
    std::array<TermRows, kRunAlgorithms.size()> finalTerms_;
    std::array<std::atomic<bool>, kRunAlgorithms.size()> stoppedByUser_{};
    std::array<std::atomic<bool>, kRunAlgorithms.size()> endedByCeiling_{};
    std::array<int, kRunAlgorithms.size()> rows_{};
    std::array<LiveSum, kRunAlgorithms.size()> liveSums_{};
    std::array<bool, kRunAlgorithms.size()> finalEvaluated_{};
    std::atomic<int> runningAlgorithms_{0};
    std::unique_ptr<AutoResetEvent> allAlgorithmsDone_;
    std::atomic<bool> coreBusy_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> resultsPresent_{false};
    int nextHandle_ = 1;
};

} // namespace velmor
