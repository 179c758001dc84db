#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace velmor {

// Stack requests below this are raised to it: the formatting and number
// conversions of the C library need several KiB, and sanitizer builds many
// times more than the 20480 bytes the settings start with.
inline constexpr std::size_t kMinimumThreadStack = 256 * 1024;

std::size_t effectiveStackSize(long long requested);

// A joinable thread created with a requested stack size.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&& other) noexcept;

    // Starts `body` on a new thread; false (with the system's reason in
    // `error`) when the thread cannot be created.
    bool start(long long stackSize, std::function<void()> body, std::string* error = nullptr);
    bool joinable() const { return started_; }
    void join();

private:
    unsigned long handle_ = 0;
    bool started_ = false;
};

// How the engine creates its threads; tests replace it to make creation fail.
using ThreadLauncher = std::function<bool(WorkerThread&, long long stackSize, std::function<void()> body)>;
ThreadLauncher defaultThreadLauncher();

// An event that wakes one wait and then resets itself.
class AutoResetEvent {
public:
    void set();
    void wait();
    // Waits at most `timeout`; true when the event was set (and is reset).
    bool waitFor(std::chrono::milliseconds timeout);

private:
    std::mutex lock_;
    std::condition_variable signal_;
    bool signalled_ = false;
};

} // namespace velmor
