#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace velmor {

// Holds a worker at its next check point while paused. Linux cannot suspend
// a thread from outside, so a paused algorithm waits here instead, holding no
// other lock, and the coordinator and the window go on.
class PauseGate {
public:
    void hold() { held_.store(true, std::memory_order_release); }
    void release()
    {
        {
            std::lock_guard guard(lock_);
            held_.store(false, std::memory_order_release);
        }
        wake_.notify_all();
    }
    bool held() const { return held_.load(std::memory_order_acquire); }

    // Returns at once unless held; otherwise waits for release().
    void passThrough()
    {
        if (!held())
            return;
        std::unique_lock guard(lock_);
        wake_.wait(guard, [this] { return !held(); });
    }

private:
    std::atomic<bool> held_{false};
    std::mutex lock_;
    std::condition_variable wake_;
};

} // namespace velmor
