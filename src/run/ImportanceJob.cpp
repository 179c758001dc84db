#include "run/ImportanceJob.h"

#include <new>

namespace velmor {

ImportanceJob::~ImportanceJob()
{
    stop();
    wait();
}

void ImportanceJob::wait()
{
    thread_.join();
}

void ImportanceJob::discard()
{
    stop();
    wait();
    std::lock_guard guard(resultLock_);
    result_.reset();
}

std::shared_ptr<const ImportanceResult> ImportanceJob::result() const
{
    std::lock_guard guard(resultLock_);
    return result_;
}

std::optional<ThreadStartFailure> ImportanceJob::start(ImportanceInput input, long long stackSize,
                                                       std::function<void()> ended, const ThreadLauncher& launcher)
{
    wait();
    {
        std::lock_guard guard(resultLock_);
        result_.reset();
    }
    stopRequested_.store(false, std::memory_order_relaxed);
    done_.store(0, std::memory_order_relaxed);
    total_.store(static_cast<int>(input.elements.size()), std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    auto shared = std::make_shared<ImportanceInput>(std::move(input));
    auto failure = startThread(launcher, thread_, stackSize, [this, shared, ended = std::move(ended)] {
        ImportanceControl control;
        control.stop = [this] { return stopRequested_.load(std::memory_order_acquire); };
        control.progress = [this](int done, int) { done_.store(done, std::memory_order_relaxed); };
        std::shared_ptr<const ImportanceResult> computed;
        try {
            computed = std::make_shared<const ImportanceResult>(computeImportance(*shared, control));
        } catch (const std::bad_alloc&) {
            // The working copy of the structure did not fit: as an evaluation
            // that ran out of memory.
            ImportanceResult failed;
            failed.frontierStatus = FrontierStatus::OutOfMemory;
            failed.total = static_cast<int>(shared->elements.size());
            computed = std::make_shared<const ImportanceResult>(std::move(failed));
        }
        {
            std::lock_guard guard(resultLock_);
            result_ = std::move(computed);
        }
        running_.store(false, std::memory_order_release);
        if (ended)
            ended();
    }, kImportanceThreadShortage);
    if (failure)
        running_.store(false, std::memory_order_release);
    return failure;
}

} // namespace velmor
