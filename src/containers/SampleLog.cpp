#include "containers/SampleLog.h"

#include <algorithm>

namespace velmor {

bool SampleLog::allocate(int count)
{
    if (count < 1)
        return false;
    std::lock_guard guard(lock_);
    count_ = 0;
    stamps_.clear();
    return resizeLocked(count);
}

bool SampleLog::resizeLocked(int count)
{
    if (count < 1)
        return false;
    const auto wanted = static_cast<std::size_t>(count);
    const std::size_t chunks = (wanted + kChunkValues - 1) / kChunkValues;
    while (chunks_.size() < chunks)
        chunks_.emplace_back(new std::int64_t[kChunkValues]);
    if (wanted < count_) {
        while (!stamps_.empty() && stamps_.back().first >= wanted)
            stamps_.pop_back();
        count_ = wanted;
        return true;
    }
    for (std::size_t slot = count_; slot < wanted; ++slot)
        valueAt(slot) = 0;
    const std::size_t from = count_;
    count_ = wanted;
    stampTail(from, 0);
    return true;
}

std::int64_t SampleLog::stampAt(std::size_t slot) const
{
    const auto after = std::upper_bound(stamps_.begin(), stamps_.end(), slot,
                                        [](std::size_t s, const StampRun& run) { return s < run.first; });
    return after == stamps_.begin() ? 0 : std::prev(after)->seconds;
}

void SampleLog::stampTail(std::size_t from, std::int64_t seconds)
{
    if (from >= count_)
        return;
    if (!stamps_.empty() && stamps_.back().first == from)
        stamps_.pop_back();
    if (stamps_.empty() ? seconds != 0 || from != 0 : stamps_.back().seconds != seconds)
        stamps_.push_back({from, seconds});
    else if (stamps_.empty())
        stamps_.push_back({0, 0});
}

void SampleLog::stampOne(std::size_t slot, std::int64_t seconds)
{
    if (stampAt(slot) == seconds)
        return;
    const std::int64_t following = slot + 1 < count_ ? stampAt(slot + 1) : seconds;
    auto at = std::lower_bound(stamps_.begin(), stamps_.end(), slot,
                               [](const StampRun& run, std::size_t s) { return run.first < s; });
    if (at != stamps_.end() && at->first == slot)
        at->seconds = seconds;
    else
        at = stamps_.insert(at, {slot, seconds});
    const auto next = std::next(at);
    if (slot + 1 < count_ && (next == stamps_.end() || next->first != slot + 1))
        stamps_.insert(next, {slot + 1, following});
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
    if (index == count_ && index % kChunkValues != 0) {
        // The next slot of a chunk already there: the common case.
        valueAt(index) = value;
        ++count_;
        if (stamps_.back().seconds != stampSeconds)
            stamps_.push_back({index, stampSeconds});
        if (value > valueAt(0))
            valueAt(0) = value;
        return true;
    }
    if (index >= count_) {
        if (!resizeLocked(slot + 1))
            return false;
        valueAt(index) = value;
        stampTail(index, stampSeconds);
        if (value > valueAt(0))
            valueAt(0) = value;
        return true;
    }
    valueAt(index) = value;
    stampOne(index, stampSeconds);
    return true;
}

std::int64_t SampleLog::sample(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || static_cast<std::size_t>(slot) >= count_)
        return 0;
    return valueAt(static_cast<std::size_t>(slot));
}

std::int64_t SampleLog::stamp(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || static_cast<std::size_t>(slot) >= count_)
        return 0;
    return stampAt(static_cast<std::size_t>(slot));
}

int SampleLog::lastIndex() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(count_) - 1;
}

void SampleLog::clear()
{
    std::lock_guard guard(lock_);
    std::vector<std::unique_ptr<std::int64_t[]>>().swap(chunks_);
    std::vector<StampRun>().swap(stamps_);
    count_ = 0;
}

} // namespace velmor
