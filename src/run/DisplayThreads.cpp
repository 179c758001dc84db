#include "run/DisplayThreads.h"

namespace velmor {

void DisplayThreads::reap()
{
    std::erase_if(entries_, [](const std::unique_ptr<Entry>& entry) {
        if (!entry->delivered->load())
            return false;
        entry->thread.join();
        return true;
    });
}

std::optional<ThreadStartFailure> DisplayThreads::start(long long stackSize, Build build)
{
    reap();
    auto entry = std::make_unique<Entry>();
    auto body = [cancel = entry->cancel, delivered = entry->delivered, build = std::move(build)] {
        build(*cancel);
        delivered->store(true);
    };
    auto failure = startThread(launcher_, entry->thread, stackSize, std::move(body));
    if (!failure)
        entries_.push_back(std::move(entry));
    return failure;
}

void DisplayThreads::endAll()
{
    std::lock_guard guard(lock_);
    blocked_ = true;
    for (const auto& entry : entries_)
        entry->cancel->store(true);
    for (const auto& entry : entries_)
        entry->thread.join();
    entries_.clear();
}

void DisplayThreads::unblock()
{
    std::lock_guard guard(lock_);
    blocked_ = false;
}

int DisplayThreads::building() const
{
    std::lock_guard guard(lock_);
    int building = 0;
    for (const auto& entry : entries_)
        if (!entry->delivered->load())
            ++building;
    return building;
}

} // namespace velmor
