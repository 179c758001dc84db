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
    struct Entry {
        std::int64_t value;
        std::int64_t stamp;
    };
    // A run records a sample per iteration, often hundreds of thousands:
    // fixed chunks grow the log without ever moving what it holds, and
    // entries are written only once they belong to the log.
    static constexpr std::size_t kChunkEntries = 1024;

    bool resizeLocked(int count);
    Entry& at(std::size_t slot) { return chunks_[slot / kChunkEntries][slot % kChunkEntries]; }
    const Entry& at(std::size_t slot) const { return chunks_[slot / kChunkEntries][slot % kChunkEntries]; }

    ClockSource clock_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<Entry[]>> chunks_;
    std::size_t count_ = 0;
};

} // namespace velmor
