#pragma once

#include "platform/Threads.h"
#include "run/ThreadStart.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace velmor {

// The display threads that build detailed reports, one per report window.
// They read what a run left, so they all end before anything clears it:
// endAll() is called by whichever thread clears (the run's core thread
// among them) and blocks new ones until unblock(). Every other member is
// called on the user-interface thread.
class DisplayThreads {
public:
    // The report's work; `cancelled` turns true when it should stop early.
    using Build = std::function<void(const std::atomic<bool>& cancelled)>;

    DisplayThreads() = default;
    DisplayThreads(const DisplayThreads&) = delete;
    DisplayThreads& operator=(const DisplayThreads&) = delete;
    ~DisplayThreads() { endAll(); }

    // Runs `open` while no clearing can begin, unless one has blocked the
    // threads; start() is called only from inside it.
    template <typename Open>
    void whileUnblocked(Open&& open)
    {
        std::lock_guard guard(lock_);
        if (!blocked_.load())
            open();
    }
    // Starts a thread for `build`, joining the ones that have delivered.
    std::optional<ThreadStartFailure> start(long long stackSize, Build build);

    // Cancels every thread, waits for them and blocks new ones.
    void endAll();
    void unblock();
    bool blocked() const { return blocked_.load(); }
    // Threads that have not yet delivered their report.
    int building() const;

    void setLauncher(ThreadLauncher launcher) { launcher_ = std::move(launcher); }

private:
    struct Entry {
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
        std::shared_ptr<std::atomic<bool>> delivered = std::make_shared<std::atomic<bool>>(false);
        WorkerThread thread;
    };
    void reap();

    mutable std::mutex lock_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::atomic<bool> blocked_{false};
    ThreadLauncher launcher_ = defaultThreadLauncher();
};

} // namespace velmor
