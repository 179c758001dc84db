#pragma once

#include "containers/IntArray.h"
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

// The three algorithms, in the order in which everything per algorithm runs
// (rows of the summary grid, thread start, reports).
enum class Algorithm : int { Abraham = 0, Enr = 1, Npr = 2 };
inline constexpr std::array<Algorithm, 3> kAlgorithms{Algorithm::Abraham, Algorithm::Enr, Algorithm::Npr};

constexpr std::string_view algorithmName(Algorithm a)
{
    switch (a) {
    case Algorithm::Abraham: return "Abraham";
    case Algorithm::Enr: return "ENR";
    case Algorithm::Npr: return "NPR";
    }
    return "";
}

constexpr int kDefaultStackSize = 20480;

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
struct LiveSum {
    int cursor = 0;        // the next row to read
    int terms = 0;         // rows that counted as terms
    long double value = 0; // their products, added in row order
    int layout = -1;       // the feed's layout it read
    bool exact = true;     // every row it added is still there as it was read
};

// Everything that exists once per algorithm: its settings, its run option,
// the counters and flags it shares with the coordinator, and its measures.
// Cells handed to threads live as long as the workspace that holds them.
struct AlgorithmCells {
    // Settings; they outlive loads and runs.
    int stackSize = kDefaultStackSize;
    std::uint8_t normal = 1; // 1 "normalno", 0 "posebno"
    std::int64_t memoryLimit = -1;
    std::int64_t timeLimit = -1;
    std::int64_t iterationLimit = -1;

    // Run option, captured when a run starts.
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

    IntArray links;
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

    // Release and acquire: whoever sees the request also sees what was
    // written before it (the user's stop mark, which decides between
    // "prekinuta nit" and "ograničena nit").
    bool stopRequested() const { return stop.load(std::memory_order_acquire) != 0; }
    void requestStop() { stop.store(1, std::memory_order_release); }

    void resetResults();

private:
    mutable std::mutex valueLock_;
    long double availability_ = 0;
};

} // namespace velmor
