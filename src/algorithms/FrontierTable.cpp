#include "algorithms/FrontierTable.h"

#include <algorithm>
#include <new>

namespace velmor::frontier {

namespace {

constexpr std::size_t kFirstSlots = 64;

// Slots for `states` states at a load of a half at most.
std::size_t slotsFor(std::size_t states)
{
    std::size_t slots = kFirstSlots;
    while (slots < 2 * states + 2)
        slots *= 2;
    return slots;
}

} // namespace

bool StateTable::reset(int words, std::size_t expected, std::int64_t ceiling)
{
    const std::size_t stride = static_cast<std::size_t>(words) + kExtraWords;
    std::size_t slots = slotsFor(expected);
    if (ceiling >= 0)
        while (slots > kFirstSlots && static_cast<std::int64_t>(slots * stride * sizeof(std::uint64_t)) > ceiling)
            slots /= 2;
    size_ = 0;
    if (slots == slots_ && stride == stride_ && ++generation_ != 0)
        return true;
    // Another shape, or the marks have come round: fresh, cleared storage.
    words_ = words;
    stride_ = stride;
    generation_ = 1;
    cells_.release();
    if (!cells_.allocate(slots * stride_)) {
        slots_ = mask_ = 0;
        return false;
    }
    slots_ = slots;
    mask_ = slots - 1;
    return true;
}

bool StateTable::addEmptyBoundary()
{
    const std::vector<std::uint64_t> key(static_cast<std::size_t>(words_), 0);
    return add(key.data(), hashOf(key.data(), words_), 1, -1);
}

bool StateTable::grow(std::int64_t ceiling)
{
    const std::size_t slots = std::max(kFirstSlots, 2 * slots_);
    if (ceiling >= 0 && bytesFor(slots) + byteSize() > ceiling)
        return false;
    StateTable larger;
    if (!larger.cells_.allocate(slots * stride_))
        return false;
    larger.words_ = words_;
    larger.stride_ = stride_;
    larger.slots_ = slots;
    larger.mask_ = slots - 1;
    for (std::size_t slot = 0; slot < slots_; ++slot)
        if (used(slot))
            larger.add(key(slot), hashOf(key(slot), words_), weight(slot), -1);
    *this = std::move(larger);
    return true;
}

long double StateTable::totalWeight() const
{
    long double total = 0;
    for (std::size_t slot = 0; slot < slots_; ++slot)
        if (used(slot))
            total += weight(slot);
    return total;
}

std::int64_t StateTable::bytesFor(std::size_t slots) const
{
    return static_cast<std::int64_t>(slots * stride_ * sizeof(std::uint64_t));
}

std::int64_t StateTable::byteSize() const
{
    return static_cast<std::int64_t>(cells_.byteSize());
}

StepOutcomes::StepOutcomes(StateTable& table, std::int64_t ceiling)
    : next_(table), ceiling_(ceiling), words_(table.words()), keys_(kBatch * static_cast<std::size_t>(table.words()))
{
}

} // namespace velmor::frontier
