#pragma once

#include "algorithms/Importance.h"
#include "platform/Threads.h"
#include "run/ThreadStart.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace velmor {

inline constexpr std::string_view kImportanceThreadShortage =
    "Neispravno ponašanje niti važnosti elemenata zbog nedostatka resursa";

// The importance of every element computed on a thread of its own: a job
// that counts the elements rated, can be stopped at any check point, and
// keeps its result once it has ended.
//
// start, stop, wait and the destructor belong to one thread (the one that
// owns the job); the counters and the result may be read from any.
class ImportanceJob {
public:
    ImportanceJob() = default;
    ~ImportanceJob();
    ImportanceJob(const ImportanceJob&) = delete;
    ImportanceJob& operator=(const ImportanceJob&) = delete;

    // Starts computing `input`. `ended` runs on the job's thread once the
    // result is in place (the front end posts its wake-up from it). Waits
    // for a job that is still on first. Nothing when the thread runs, else
    // why it could not be created.
    std::optional<ThreadStartFailure> start(ImportanceInput input, long long stackSize,
                                            std::function<void()> ended = {},
                                            const ThreadLauncher& launcher = defaultThreadLauncher());
    // Asks the computation to stop at its next check point; its result keeps
    // the elements rated so far.
    void stop() { stopRequested_.store(true, std::memory_order_release); }
    // Waits until the computation (if any) has ended and its thread is gone.
    void wait();
    // Stops the computation, waits for it and drops its result: the
    // structure it was computed for is gone.
    void discard();

    bool running() const { return running_.load(std::memory_order_acquire); }
    int done() const { return done_.load(std::memory_order_relaxed); }
    int total() const { return total_.load(std::memory_order_relaxed); }
    // The result of the last computation that ended; null before the first
    // and while one is on.
    std::shared_ptr<const ImportanceResult> result() const;

private:
    WorkerThread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> running_{false};
    std::atomic<int> done_{0};
    std::atomic<int> total_{0};
    mutable std::mutex resultLock_;
    std::shared_ptr<const ImportanceResult> result_;
};

} // namespace velmor
