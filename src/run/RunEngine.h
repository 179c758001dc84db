#pragma once

#include "containers/CellMatrix.h"
#include "platform/Threads.h"
#include "run/ControlChannel.h"
#include "structure/StructureWorkspace.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace velmor {

// The main window's option controls as they stand when Start is pressed.
struct RunRequest {
    enum class Direction { Directed, Undirected, None };

    std::array<bool, 3> selected{}; // by algorithm: Abraham, ENR, NPR
    std::string sourceItem;         // chosen item of the source choice; empty = none
    std::string destinationItem;
    bool idealTerminals = true;
    bool reduction = true;
    int abrahamRule = 2;            // 0: no rule button set
    int enrVariant = 2;             // -1: no variant button set
    int nprVariant = 1;             // -1: no variant button set
    Direction direction = Direction::Directed;
};

// The share of the progress bar (0..10000, more means full) for the
// fractions of the three algorithms; an unchosen one has fraction 0.
int progressStepFor(int chosenAlgorithms);
int progressBarPosition(int progressStep, const std::array<float, 3>& fractions);

// Runs the chosen algorithms, each on a thread of its own, coordinated by a
// core thread that validates the run, shows progress and partial results and
// evaluates the final terms. It speaks to the window only through the
// control channel.
class RunEngine {
public:
    RunEngine(StructureWorkspace& ws, ControlChannel& channel);
    ~RunEngine();
    RunEngine(const RunEngine&) = delete;
    RunEngine& operator=(const RunEngine&) = delete;

    // Actions (user-interface thread).
    void startRun(const RunRequest& request, bool structurePresent);
    void pauseRun();
    void resumeRun();
    void stopRun();
    void stopAlgorithm(Algorithm a);

    // Empties the previous results (workspace, labels, grid rows) and the
    // stopped-by-user marks; used at the start of a run and by file actions.
    void clearResults(ControlUnit& unit);
    static void appendResetMainControls(ControlUnit& unit);

    bool busy() const { return coreBusy_.load(); }
    bool paused() const { return paused_.load(); }
    bool resultsPresent() const { return resultsPresent_.load(); }
    void setResultsPresent(bool on) { resultsPresent_.store(on); }
    bool stoppedByUser(Algorithm a) const { return stoppedByUser_[index(a)].load(); }
    int rowOf(Algorithm a) const { return rows_[index(a)]; }
    ByteMatrix& finalTerms(Algorithm a) { return finalTerms_[index(a)]; }

    // Waits until the present run (if any) has ended and its threads are gone.
    void waitUntilIdle();
    // Raises every stop request, releases paused threads and waits for them.
    void shutdown();

    void setThreadLauncher(ThreadLauncher launcher) { launcher_ = std::move(launcher); }
    void setDecimalSeparator(char separator) { decimalSeparator_ = separator; }
    char decimalSeparator() const { return decimalSeparator_; }
    // Called before results are cleared, so that readers of them can stop.
    void setBeforeClearResults(std::function<void()> hook) { beforeClearResults_ = std::move(hook); }
    // How often the polling loop sends its progress to the window.
    void setDisplayInterval(std::chrono::milliseconds interval) { displayInterval_ = interval; }

private:
    static std::size_t index(Algorithm a) { return static_cast<std::size_t>(a); }

    void runCore(const RunRequest& request);
    void resolveTerminals(const RunRequest& request);
    bool validate();
    void captureOptions(const RunRequest& request);
    void runChosenAlgorithms(const RunRequest& request);
    bool coordinateAlgorithms();
    void startAlgorithmThreads();
    // Gathers the new terms and evaluates finished algorithms; with a display
    // unit, also writes the progress and result rows into it.
    void pollCycle(ControlUnit* display, int progressStep);
    void evaluateFinalTerms();
    void evaluateFinal(Algorithm a);
    bool finishLiveSum(Algorithm a, long double& value);
    void runAlgorithmThread(Algorithm a);
    void finishOne();
    void reportFailedAlgorithms(bool directed);
    void fillResultRow(ControlUnit& unit, Algorithm a);
    void report(const std::string& first, const std::string& second);
    void joinAlgorithmThreads();

    StructureWorkspace& ws_;
    ControlChannel& channel_;
    ThreadLauncher launcher_ = defaultThreadLauncher();
    char decimalSeparator_;
    std::function<void()> beforeClearResults_;
    std::chrono::milliseconds displayInterval_{40};

    WorkerThread coreThread_;
    std::array<WorkerThread, 3> algorithmThreads_;
    std::array<ByteMatrix, 3> finalTerms_;
    std::array<std::atomic<bool>, 3> stoppedByUser_{};
    std::array<int, 3> rows_{};
    std::array<LiveSum, 3> liveSums_{};
    std::array<bool, 3> finalEvaluated_{};
    std::atomic<int> runningAlgorithms_{0};
    std::unique_ptr<AutoResetEvent> allAlgorithmsDone_;
    std::atomic<bool> coreBusy_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> resultsPresent_{false};
    int nextHandle_ = 1;
};

} // namespace velmor
