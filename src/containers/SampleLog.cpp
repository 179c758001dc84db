#include "containers/SampleLog.h"

namespace velmor {

bool SampleLog::allocate(int count)
{
    if (count < 1)
        return false;
    std::lock_guard guard(lock_);
    count_ = 0;
    return resizeLocked(count);
}

bool SampleLog::resizeLocked(int count)
{
    if (count < 1)
        return false;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t chunks = (wanted + kChunkEntries - 1) / kChunkEntries;
    while (chunks_.size() < chunks)
        chunks_.emplace_back(new Entry[kChunkEntries]);
    for (std::size_t slot = count_; slot < wanted; ++slot)
        at(slot) = Entry{0, 0};
    count_ = wanted;
    return true;
}

bool SampleLog::resize(int count)
{
    std::lock_guard guard(lock_);
    return resizeLocked(count);
}

bool SampleLog::record(int slot, std::int64_t value)
{
    if (slot < 0)
        return false;
    return record(slot, value, clock_().seconds);
}

bool SampleLog::record(int slot, std::int64_t value, std::int64_t stampSeconds)
{
    if (slot < 0)
        return false;
    std::lock_guard guard(lock_);
    const auto index = static_cast<std::size_t>(slot);
    if (index >= count_) {
        if (!resizeLocked(slot + 1))
            return false;
        at(index) = Entry{value, stampSeconds};
        if (value > at(0).value)
            at(0).value = value;
        return true;
    }
    at(index) = Entry{value, stampSeconds};
    return true;
}

std::int64_t SampleLog::sample(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || static_cast<std::size_t>(slot) >= count_)
        return 0;
    return at(static_cast<std::size_t>(slot)).value;
}

std::int64_t SampleLog::stamp(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || static_cast<std::size_t>(slot) >= count_)
        return 0;
    return at(static_cast<std::size_t>(slot)).stamp;
}

int SampleLog::lastIndex() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(count_) - 1;
}

void SampleLog::clear()
{
    std::lock_guard guard(lock_);
    std::vector<std::unique_ptr<Entry[]>>().swap(chunks_);
    count_ = 0;
}

} // namespace velmor
