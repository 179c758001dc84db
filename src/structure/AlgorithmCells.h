#pragma once

#include "containers/IntArray.h"
#include "containers/LinkArray.h"
#include "containers/SampleLog.h"
#include "containers/StopwatchSet.h"
#include "platform/PauseGate.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string_view>

namespace velmor {

// The algorithms, in the order in which everything per algorithm runs (rows
// of the summary grid, thread start, reports). The first three enumerate
// paths or tree leaves and have the main window's panels, settings and
// reports; Frontier merges equal states over the structure's boundary and
// is chosen from the menu.
enum class Algorithm : int { Abraham = 0, Enr = 1, Npr = 2, Frontier = 3 };
inline constexpr std::array<Algorithm, 3> kAlgorithms{Algorithm::Abraham, Algorithm::Enr, Algorithm::Npr};
// Every algorithm a run can choose.
inline constexpr std::array<Algorithm, 4> kRunAlgorithms{Algorithm::Abraham, Algorithm::Enr, Algorithm::Npr,
                                                         Algorithm::Frontier};

constexpr int kDefaultStackSize = 20480;

// What is known of the availability while an algorithm runs: the
// probability of the ways found to work so far, and 1 minus the probability
// of the ways found to fail. Both equal the availability once it is done.
struct AvailabilityBounds {
    long double lower = 0;
    long double upper = 1;
    friend bool operator==(const AvailabilityBounds&, const AvailabilityBounds&) = default;
};

// How far a live term matrix may be read by another thread, and what keeps
// its rows in place while they are read. The algorithm holds `lock` while it
// appends rows or publishes them, and raises `publishedRows` only after a row
// is fully written. A published row keeps its cells except the last one (a
// row state, changed through an atomic store), so the reader takes only the
// row pointers under `lock` and reads the rows under `rowsLock`, which the
// algorithm takes only to free, reuse or reshape rows: appending the next
// row never waits for a reader going through thousands of rows.
// A writer whose published rows still change their state keeps
// `settledRows` below them: the rows under it change no more, and a reader
// that goes no further never reads a row twice or a line still being written.
// `layout` (under both locks) counts the times rows were freed, reused,
// moved or changed after publishing.
struct TermFeed {
    static constexpr int kEveryRow = std::numeric_limits<int>::max();

    std::mutex lock;
    std::mutex rowsLock;
    std::atomic<int> publishedRows{0};
    std::atomic<int> settledRows{kEveryRow};
    int layout = 0;
};

// A reader's sum over the rows of a live term matrix, taken while it grows.
// Over a solution tree it also sums the failure leaves: the tree's rows
// split the root's event into exclusive parts, so the root's probability
// less the failures' is an upper bound on the availability.
struct LiveSum {
    int cursor = 0;        // the next row to read
    int terms = 0;         // rows that counted as terms
    long double value = 0; // their products, added in row order
    long double root = 1;  // the product of a tree's first row (its root)
    long double failures = 0; // the products of a tree's failure leaves
    int layout = -1;       // the feed's layout it read
    bool exact = true;     // every row it added is still there as it was read

    // What the rows read so far tell of the availability.
    AvailabilityBounds bounds(bool tree) const;
};

// One algorithm's settings from the advanced settings window. They outlive
// loads and runs; a run copies them into its options when it starts.
struct AlgorithmSettings {
    int stackSize = kDefaultStackSize;
    std::uint8_t normal = 1; // 1 "normalno", 0 "posebno"
    std::int64_t memoryLimit = -1;
    std::int64_t timeLimit = -1;
    std::int64_t iterationLimit = -1;
};

// Everything a run shares about one algorithm between its thread, the core
// thread and the user-interface thread: whether the run chose it, the
// counters and flags it shares with the coordinator, and its measures.
// Cells handed to threads live as long as the workspace that holds them.
struct AlgorithmCells {
    // Chosen for the present run: set by the core thread when the run starts,
    // cleared when the algorithm failed.
    std::atomic<std::uint8_t> selected{0};

    // Progress counters: written by the algorithm, polled by the coordinator.
    std::atomic<std::int32_t> progressDone{0};
    std::atomic<std::int32_t> progressTotal{0};
    std::atomic<std::int32_t> iterations{0};
    std::atomic<std::int32_t> partialCount{0};

    std::atomic<int> thread{0}; // handle of the run's thread; -1 when starting it failed

    std::atomic<std::uint8_t> failed{0};
    std::atomic<std::uint8_t> stop{0};
    std::atomic<std::uint8_t> done{0};
    std::atomic<std::int32_t> anomalies{0};

    LinkArray links;
    StopwatchSet timers;
    SampleLog memoryLog;
    TermFeed feed;
    PauseGate pause;

    // The computed availability: partial sums while the algorithm runs, then
    // the full evaluation. Written by the coordinator, read by whoever shows it.
    long double availabilityValue() const
    {
        std::lock_guard guard(valueLock_);
        return availability_;
    }
    void storeAvailability(long double value)
    {
        std::lock_guard guard(valueLock_);
        availability_ = value;
    }
    AvailabilityBounds bounds() const
    {
        std::lock_guard guard(valueLock_);
        return bounds_;
    }
    void storeBounds(const AvailabilityBounds& bounds)
    {
        std::lock_guard guard(valueLock_);
        bounds_ = bounds;
    }

    // Release and acquire: whoever sees the request also sees what was
    // written before it (the user's stop mark, which decides between
    // "prekinuta nit" and "ograničena nit").
    bool stopRequested() const { return stop.load(std::memory_order_acquire) != 0; }
    void requestStop() { stop.store(1, std::memory_order_release); }

    void resetResults();

private:
    mutable std::mutex valueLock_;
    long double availability_ = 0;
    AvailabilityBounds bounds_;
};

} // namespace velmor
