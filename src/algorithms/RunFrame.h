#pragma once

#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "structure/AlgorithmCells.h"

#include <cstdint>
#include <vector>

namespace velmor {

// Values of a working copy of the element graph.
enum ArcMark : std::int8_t {
    NoArc = 0,
    UsableArc = 1,
    LeavingArc = 2,  // leaves the path's end (or the working set); enters a candidate
    BlockedArc = -1, // enters a used element or touches a failed one
};

// Resource limits of one run; -1 means unlimited.
struct RunLimits {
    std::int64_t memory = -1;
    std::int64_t time = -1; // seconds
    std::int64_t iterations = -1;

    static RunLimits of(const AlgorithmCells& cells);
    bool any() const { return memory != -1 || time != -1 || iterations != -1; }
};

// The per-run record of one algorithm thread: sample numbering, the run's own
// anomaly count, the stopwatch slots of its phases, and the check points at
// which it stops or waits while paused.
class AlgorithmRun {
public:
    AlgorithmRun(Algorithm algorithm, AlgorithmCells& cells);

    int nextSample = 1;
    int anomalies = 0;

    Algorithm algorithm() const { return algorithm_; }
    AlgorithmCells& cells() { return cells_; }
    const RunLimits& limits() const { return limits_; }
    // Slots in the order the record holds them: 0,1,2,3 for Abraham and NPR,
    // 0,2,1 for ENR.
    const std::vector<int>& slots() const { return slots_; }
    int executionSlot() const { return executionSlot_; }
    // The slot the time limit and the summary grid use.
    static int executionSlotOf(Algorithm algorithm);

    void startSlot(int slot) { cells_.timers.start(slot); }
    void stopSlot(int slot) { cells_.timers.stop(slot); }

    // A stop check point: waits here while the run is paused, then tells
    // whether a stop has been requested.
    bool checkPoint();

    // Closes one iteration of a main loop: execution time, memory sample,
    // iteration count, limits, progress, stop. True when the loop must end.
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

    Algorithm algorithm_;
    AlgorithmCells& cells_;
    RunLimits limits_;
    std::vector<int> slots_;
    int executionSlot_;
    int lapEvery_ = 1;
    int sinceLap_ = 0;
    bool lapped_ = false;
    ClockReading lastLap_;
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
void keepSuccessRows(ByteMatrix& matrix);

// --- Evaluation -------------------------------------------------------------

// Sum over the term rows of the products of p (cell 1) and 1 - p (cell -1).
// False when some column stands for no element.
bool evaluateTerms(const ByteMatrix& terms, const IntArray& elementMap, int workSourceIndex,
                   int workDestinationIndex, const ElementList& elements, long double& result, bool idealTerminals);

// Adds the terms published (and settled) since the previous call to `sum`.
// With skipColumns = 1 only rows whose last column is 1 count, over the
// columns before the last. Reads only rows that the writer has published,
// leaving the last `pending` ones.
bool addNewTerms(const ByteMatrix& terms, TermFeed& feed, int pending, int skipColumns, const IntArray& elementMap,
                 int workSourceIndex, int workDestinationIndex, const ElementList& elements, bool idealTerminals,
                 LiveSum& sum);

// --- Live term matrices -------------------------------------------------------

// Grows a term matrix that another thread reads while it grows: appending
// and publishing happen under the feed's lock, freeing, reusing or moving
// rows under both its locks, and a row is published only once it is
// completely written.
class LiveTermWriter {
public:
    LiveTermWriter(ByteMatrix& matrix, TermFeed& feed) : matrix_(matrix), feed_(feed) {}

    bool allocate(int columns, int rows);
    bool resize(int columns, int rows);
    bool appendRows(int count) { return resize(matrix_.columnCount(), matrix_.rowCount() + count); }
    // Rows the caller writes whole before the next publishAll: not cleared.
    bool appendRowsUncleared(int count);
    // Changes a cell of a row that may already be published: the last
    // column (a row state) without waiting for the reader, any other under
    // both locks.
    void setShared(int column, int row, std::int8_t value);
    // Makes every present row readable.
    void publishAll();
    // Tells the reader that the states of the rows below `rows` are final.
    void settle(int rows) { feed_.settledRows.store(rows, std::memory_order_release); }

    ByteMatrix& matrix() { return matrix_; }

private:
    ByteMatrix& matrix_;
    TermFeed& feed_;
};

} // namespace velmor
