#pragma once

#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace velmor {

// Memory samples of a run with the moment of each; slot 0 keeps the peak when
// the samples are recorded in rising slots. Values are 64-bit so that runs
// beyond 2 GB neither wrap nor trip a limit wrongly. Readers on other threads
// only display what they see, but reads and writes still take a short lock.
class SampleLog {
public:
    explicit SampleLog(ClockSource clock = wallClockNow) : clock_(clock) {}
    SampleLog(const SampleLog&) = delete;
    SampleLog& operator=(const SampleLog&) = delete;

    bool allocate(int count);
    bool resize(int count);
    bool record(int slot, std::int64_t value);
    // With a moment the caller has already read (seconds since the epoch).
    bool record(int slot, std::int64_t value, std::int64_t stampSeconds);
    std::int64_t sample(int slot) const;
    std::int64_t stamp(int slot) const;
    int lastIndex() const;
    void clear();

private:
    // A run records a sample per iteration, often hundreds of thousands:
    // fixed chunks grow the log without ever moving what it holds, and
    // values are written only once they belong to the log. Stamps change
    // once a second at most, so they are kept as runs: the stamp of a slot
    // is that of the last run starting at or before it.
    static constexpr std::size_t kChunkValues = 1024;
    struct StampRun {
        std::size_t first;
        std::int64_t seconds;
    };

    bool resizeLocked(int count);
    std::int64_t& valueAt(std::size_t slot) { return chunks_[slot / kChunkValues][slot % kChunkValues]; }
    std::int64_t valueAt(std::size_t slot) const { return chunks_[slot / kChunkValues][slot % kChunkValues]; }
    std::int64_t stampAt(std::size_t slot) const;
    // Stamps [from, count_) with `seconds`; `from` must be at or past the
    // start of the last run.
    void stampTail(std::size_t from, std::int64_t seconds);
    // Stamps the one slot `slot` < count_.
    void stampOne(std::size_t slot, std::int64_t seconds);

    ClockSource clock_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<std::int64_t[]>> chunks_;
    std::size_t count_ = 0;
    std::vector<StampRun> stamps_;
};

} // namespace velmor
