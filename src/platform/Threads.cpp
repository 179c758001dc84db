#include "platform/Threads.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits.h>

namespace velmor {

namespace {

void* threadEntry(void* argument)
{
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
    (*body)();
    return nullptr;
}

} // namespace

std::size_t effectiveStackSize(long long requested)
{
    const long page = sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096;
    std::size_t size = requested > 0 ? static_cast<std::size_t>(requested) : 0;
    size = std::max({size, kMinimumThreadStack, static_cast<std::size_t>(PTHREAD_STACK_MIN)});
    const auto pageSize = static_cast<std::size_t>(page);
    return (size + pageSize - 1) / pageSize * pageSize;
}

WorkerThread::~WorkerThread()
{
    join();
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : handle_(other.handle_), started_(other.started_)
{
    other.started_ = false;
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept
{
    if (this != &other) {
        join();
        handle_ = other.handle_;
        started_ = other.started_;
        other.started_ = false;
    }
    return *this;
}

bool WorkerThread::start(long long stackSize, std::function<void()> body, std::string* error)
{
    join();
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, effectiveStackSize(stackSize));
    auto* argument = new std::function<void()>(std::move(body));
    // A worker starts with the terminal's signals blocked, so that an
    // interrupt always reaches the thread that waits for it. (Delivered to a
    // worker busy computing, its handler could wait a long time to run.)
    sigset_t terminalSignals;
    sigset_t previous;
    sigemptyset(&terminalSignals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaddset(&terminalSignals, signal);
    pthread_sigmask(SIG_BLOCK, &terminalSignals, &previous);
    pthread_t thread;
    const int result = pthread_create(&thread, &attributes, threadEntry, argument);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_attr_destroy(&attributes);
    if (result != 0) {
        delete argument;
        if (error)
            *error = std::strerror(result);
        return false;
    }
    handle_ = static_cast<unsigned long>(thread);
    started_ = true;
    return true;
}

void WorkerThread::join()
{
    if (!started_)
        return;
    pthread_join(static_cast<pthread_t>(handle_), nullptr);
    started_ = false;
}

ThreadLauncher defaultThreadLauncher()
{
    return [](WorkerThread& thread, long long stackSize, std::function<void()> body) {
        return thread.start(stackSize, std::move(body));
    };
}

void AutoResetEvent::set()
{
    // Notified under the lock: the waiter may destroy the event as soon as
    // its wait returns, and it cannot return before the lock is released, so
    // set() never touches an event that is gone.
    std::lock_guard guard(lock_);
    signalled_ = true;
    signal_.notify_one();
}

void AutoResetEvent::wait()
{
    std::unique_lock guard(lock_);
    signal_.wait(guard, [this] { return signalled_; });
    signalled_ = false;
}

bool AutoResetEvent::waitFor(std::chrono::milliseconds timeout)
{
    std::unique_lock guard(lock_);
    const bool set = signal_.wait_for(guard, timeout, [this] { return signalled_; });
    signalled_ = false;
    return set;
}

} // namespace velmor
