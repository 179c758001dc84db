#include "containers/SampleLog.h"

namespace velmor {

bool SampleLog::allocate(int count)
{
    if (count < 1)
        return false;
    std::lock_guard guard(lock_);
    values_.assign(static_cast<std::size_t>(count), 0);
    stamps_.assign(static_cast<std::size_t>(count), 0);
    return true;
}

bool SampleLog::resizeLocked(int count)
{
    if (count < 1)
        return false;
    values_.resize(static_cast<std::size_t>(count), 0);
    stamps_.resize(static_cast<std::size_t>(count), 0);
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
    const std::int64_t now = clock_().seconds;
    std::lock_guard guard(lock_);
    if (slot >= static_cast<int>(values_.size())) {
        if (!resizeLocked(slot + 1))
            return false;
        values_[static_cast<std::size_t>(slot)] = value;
        if (value > values_[0])
            values_[0] = value;
    } else {
        values_[static_cast<std::size_t>(slot)] = value;
    }
    stamps_[static_cast<std::size_t>(slot)] = now;
    return true;
}

std::int64_t SampleLog::sample(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || slot >= static_cast<int>(values_.size()))
        return 0;
    return values_[static_cast<std::size_t>(slot)];
}

std::int64_t SampleLog::stamp(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || slot >= static_cast<int>(stamps_.size()))
        return 0;
    return stamps_[static_cast<std::size_t>(slot)];
}

int SampleLog::lastIndex() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(values_.size()) - 1;
}

void SampleLog::clear()
{
    std::lock_guard guard(lock_);
    std::vector<std::int64_t>().swap(values_);
    std::vector<std::int64_t>().swap(stamps_);
}

} // namespace velmor
