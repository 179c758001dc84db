#pragma once

#include "algorithms/AlgorithmTraits.h"
#include "algorithms/RunOptions.h"
#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "containers/TermRows.h"
#include "platform/MemoryCeiling.h"
#include "structure/AlgorithmCells.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <vector>

namespace velmor {

// Values of a working copy of the element graph.
enum ArcMark : std::int8_t {
    NoArc = 0,
    UsableArc = 1,
    LeavingArc = 2,  // leaves the path's end (or the working set); enters a candidate
    BlockedArc = -1, // enters a used element or touches a failed one
};

// Keeps the algorithms of one run within the memory the machine can give.
// Each algorithm tells its own memory figure at its checks. When the
// ceiling's headroom is gone, the algorithm that ends is the one with the
// largest figure among those still running, just as if its memory limit had
// tripped (an eighth of its memory is kept back for its ending); the others
// go on. Ending an algorithm does not give its memory
// back (its terms stay for the results), it only stops its growth, and most
// often one algorithm outgrows the others by far: once it has stopped, the
// rest usually fit. So the next one (again the largest still running) ends
// only when the headroom has fallen by another eighth of the reserve. Once
// half of the reserve is gone, every algorithm ends at its next check, so
// that one slow to reach its check cannot carry the process to the kernel's
// limit.
class MemoryWatch {
public:
    explicit MemoryWatch(MemoryCeiling& ceiling);
    MemoryWatch(const MemoryWatch&) = delete;
    MemoryWatch& operator=(const MemoryWatch&) = delete;

    void enter(Algorithm a) { figureOf(a).store(0); }
    void leave(Algorithm a) { figureOf(a).store(kAway); }
    // At a check of algorithm a, whose figure is now `figure`: true when it
    // must end.
    bool overCeiling(Algorithm a, std::int64_t figure);
    // Whether the ceiling ended algorithm a in this run.
    bool endedByCeiling(Algorithm a) const { return ended_[static_cast<std::size_t>(a)].load(); }

private:
    static constexpr std::int64_t kAway = -1; // not running
    std::atomic<std::int64_t>& figureOf(Algorithm a) { return figures_[static_cast<std::size_t>(a)]; }
    bool largestRunning(Algorithm a) const;

    MemoryCeiling& ceiling_;
    std::array<std::atomic<std::int64_t>, kRunAlgorithms.size()> figures_;
    std::array<std::atomic<bool>, kRunAlgorithms.size()> ended_{};
    // An algorithm ends when the headroom is at or below this.
    std::atomic<std::int64_t> mark_{0};
};

// The per-run record of one algorithm thread: its options for the run,
// sample numbering, the run's own anomaly count, the stopwatch slots of its
// phases, and the check points at which it stops or waits while paused.
class AlgorithmRun {
public:
    // With a watch, the run also ends when the machine runs short of memory.
    AlgorithmRun(Algorithm algorithm, AlgorithmCells& cells, const AlgorithmOptions& options = {},
                 bool idealTerminals = false, MemoryWatch* watch = nullptr);
    ~AlgorithmRun();
    AlgorithmRun(const AlgorithmRun&) = delete;
    AlgorithmRun& operator=(const AlgorithmRun&) = delete;

    int nextSample = 1;
    int anomalies = 0;

    Algorithm algorithm() const { return algorithm_; }
    AlgorithmCells& cells() { return cells_; }
    const AlgorithmOptions& options() const { return options_; }
    int variant() const { return options_.variant; }
    bool normal() const { return options_.normal; }
    // The run's terminals always work (they count with availability 1).
    bool idealTerminals() const { return idealTerminals_; }
    const RunLimits& limits() const { return limits_; }
    // Slots in the order the record holds them: 0,1,2,3 for Abraham and NPR,
    // 0,2,1 for ENR.
    const std::vector<int>& slots() const { return traits(algorithm_).stopwatchSlots; }
    int executionSlot() const { return executionSlot_; }

    void startSlot(int slot) { cells_.timers.start(slot); }
    void stopSlot(int slot) { cells_.timers.stop(slot); }

    // A stop check point: waits here while the run is paused, then tells
    // whether a stop has been requested.
    bool checkPoint();

    // Closes one iteration of a main loop: execution time, memory sample,
    // iteration count, limits (and the memory ceiling), progress, stop. True
    // when the loop must end.
    bool endIteration(std::int64_t workingSetBytes, int done, int total);

    // Marks a main loop that ended on a stop request.
    void markStopped() { cells_.anomalies.store(-1); }

    // Stores the final anomaly value: negative (minus the count) for a run
    // that was stopped or limited, otherwise the count.
    void storeResultCode();

private:
    // Without a time limit nothing needs the execution time before the slot
    // stops, so the clock is read only every lapEvery_ iterations: as many as
    // keep the readings about a millisecond apart, at most kMostLapEvery. The
    // slot's total comes out the same; a sample between readings is stamped
    // with the latest one.
    static constexpr int kMostLapEvery = 64;
    void lapExecution();
    // The ceiling is asked at laps at least this far apart: its figures
    // change no faster, and the question costs a lock.
    static constexpr std::int64_t kWatchEveryMillis = 1;
    void watchCeiling(std::int64_t workingSetBytes);

    Algorithm algorithm_;
    AlgorithmCells& cells_;
    AlgorithmOptions options_;
    bool idealTerminals_;
    RunLimits limits_;
    int executionSlot_;
    int lapEvery_ = 1;
    int sinceLap_ = 0;
    bool lapped_ = false;
    ClockReading lastLap_;
    MemoryWatch* watch_;
    bool watched_ = false;
    ClockReading lastWatch_;
};

// --- Working copies -------------------------------------------------------

// Cells > 0 of column x (arcs into x) become blocked.
void blockArcsInto(ByteMatrix& copy, int x);
// Cells > 0 of row x (arcs out of x) become blocked.
void blockArcsOutOf(ByteMatrix& copy, int x);
// Usable arcs out of x become leaving arcs; returns how many were marked.
int markArcsFrom(ByteMatrix& copy, int x);
// True when some leaving arc enters element j.
bool enteredByLeavingArc(const ByteMatrix& copy, int j);

// Whether the destination can still be reached from `candidate` on a working
// copy, through usable arcs only, avoiding elements of state -1 under
// "normalno". With `closeCandidates`, the other candidates of the step (the
// elements leaving arcs enter) may not be passed through.
bool reachesDestination(const ByteMatrix& copy, int candidate, int destination, const IntArray& workElementState,
                        bool normal, bool closeCandidates);

// Keeps the rows whose last column holds 1, in order, over the columns before
// the last; a matrix without such a row becomes empty.
void keepSuccessRows(TermRows& matrix);

// --- Evaluation -------------------------------------------------------------

// Sum over the term rows of the products of p (cell 1) and 1 - p (cell -1).
// False when some column stands for no element.
bool evaluateTerms(const TermRows& terms, const IntArray& elementMap, int workSourceIndex,
                   int workDestinationIndex, const ElementList& elements, long double& result, bool idealTerminals);

// Adds the terms published (and settled) since the previous call to `sum`.
// With skipColumns = 1 only rows whose last column is 1 count, over the
// columns before the last. Reads only rows that the writer has published,
// leaving the last `pending` ones.
bool addNewTerms(const TermRows& terms, TermFeed& feed, int pending, int skipColumns, const IntArray& elementMap,
                 int workSourceIndex, int workDestinationIndex, const ElementList& elements, bool idealTerminals,
                 LiveSum& sum);

// --- Live term matrices -------------------------------------------------------

// Grows a term matrix that another thread reads while it grows: appending
// and publishing happen under the feed's lock, freeing, reusing or moving
// rows under both its locks, and a row is published only once it is
// completely written.
class LiveTermWriter {
public:
    LiveTermWriter(TermRows& matrix, TermFeed& feed) : matrix_(matrix), feed_(feed) {}

    bool allocate(int columns, int rows);
    bool resize(int columns, int rows);
    bool appendRows(int count)
    {
        return count >= 0 && count <= std::numeric_limits<int>::max() - matrix_.rowCount()
               && resize(matrix_.columnCount(), matrix_.rowCount() + count);
    }
    // Rows the caller writes whole before the next publishAll: not cleared.
    bool appendRowsUncleared(int count);
    // Changes a cell of a row that may already be published: the last
    // column (a row state) without waiting for the reader, any other under
    // both locks.
    void setShared(int column, int row, int value);
    // Makes every present row readable.
    void publishAll();
    // Tells the reader that the states of the rows below `rows` are final.
    void settle(int rows) { feed_.settledRows.store(rows, std::memory_order_release); }

    TermRows& matrix() { return matrix_; }

private:
    TermRows& matrix_;
    TermFeed& feed_;
};

} // namespace velmor
