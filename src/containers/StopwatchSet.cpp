#include "containers/StopwatchSet.h"

namespace velmor {

bool StopwatchSet::allocate(int count)
{
    if (count < 1)
        return false;
    std::lock_guard guard(lock_);
    slots_.assign(static_cast<std::size_t>(count), Slot{});
    return true;
}

bool StopwatchSet::resizeLocked(int count)
{
    if (count <= 0)
        return false;
    slots_.resize(static_cast<std::size_t>(count));
    return true;
}

bool StopwatchSet::resize(int count)
{
    std::lock_guard guard(lock_);
    return resizeLocked(count);
}

bool StopwatchSet::start(int slot)
{
    if (slot < 0)
        return false;
    std::lock_guard guard(lock_);
    if (slot >= static_cast<int>(slots_.size()) && !resizeLocked(slot + 1))
        return false;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.running || s.startSeconds != 0 || s.startMillis != 0)
        return false;
    const ClockReading now = clock_();
    s.startSeconds = now.seconds;
    s.startMillis = now.millis;
    s.running = true;
    return true;
}

bool StopwatchSet::stop(int slot)
{
    const ClockReading now = clock_();
    std::lock_guard guard(lock_);
    if (slot < 0 || slot >= static_cast<int>(slots_.size()))
        return false;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (!s.running)
        return false;
    s.total += static_cast<long double>(now.seconds - s.startSeconds)
               + static_cast<long double>(now.millis - s.startMillis) * 0.001L;
    s.running = false;
    s.startSeconds = 0;
    s.startMillis = 0;
    return true;
}

bool StopwatchSet::lap(int slot, ClockReading& now)
{
    if (slot < 0)
        return false;
    now = clock_();
    std::lock_guard guard(lock_);
    if (slot >= static_cast<int>(slots_.size()) && !resizeLocked(slot + 1))
        return false;
    Slot& s = slots_[static_cast<std::size_t>(slot)];
    if (s.running)
        s.total += static_cast<long double>(now.seconds - s.startSeconds)
                   + static_cast<long double>(now.millis - s.startMillis) * 0.001L;
    s.startSeconds = now.seconds;
    s.startMillis = now.millis;
    s.running = true;
    return true;
}

long double StopwatchSet::total(int slot) const
{
    std::lock_guard guard(lock_);
    if (slot < 0 || slot >= static_cast<int>(slots_.size()))
        return 0;
    return slots_[static_cast<std::size_t>(slot)].total;
}

bool StopwatchSet::running(int slot) const
{
    std::lock_guard guard(lock_);
    return slot >= 0 && slot < static_cast<int>(slots_.size()) && slots_[static_cast<std::size_t>(slot)].running;
}

void StopwatchSet::clear()
{
    std::lock_guard guard(lock_);
    std::vector<Slot>().swap(slots_);
}

int StopwatchSet::lastIndex() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(slots_.size()) - 1;
}

} // namespace velmor
