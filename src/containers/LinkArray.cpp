#include "containers/LinkArray.h"

#include <algorithm>

namespace velmor {

bool LinkArray::allocate(int count)
{
    if (count < 1)
        return false;
    clear();
    append(0, count);
    return true;
}

bool LinkArray::resize(int count)
{
    if (count <= 0)
        return false;
    if (count >= count_) {
        append(0, count - count_);
        return true;
    }
    const std::int32_t last = get(count - 1);
    const auto kept = static_cast<std::size_t>(count);
    const std::size_t lastBlock = (kept - 1) >> kBlockShift;
    std::size_t wholeKept = heads_[lastBlock].firstWhole;
    for (std::size_t i = (lastBlock << kBlockShift) + 1; i < kept; ++i)
        if (steps_[i] == kWhole)
            ++wholeKept;
    steps_.truncate(kept);
    heads_.truncate(lastBlock + 1);
    whole_.truncate(wholeKept);
    count_ = count;
    last_ = last;
    return true;
}

void LinkArray::append(std::int32_t value, int count)
{
    for (int n = 0; n < count; ++n) {
        const auto i = static_cast<std::size_t>(count_);
        if ((i & kBlockMask) == 0) {
            heads_.push_back({value, static_cast<std::uint32_t>(whole_.size())});
            steps_.push_back(0);
        } else {
            const std::int64_t step = std::int64_t{value} - last_;
            if (step >= 0 && step < kWhole) {
                steps_.push_back(static_cast<std::uint8_t>(step));
            } else {
                steps_.push_back(kWhole);
                whole_.push_back(value);
            }
        }
        last_ = value;
        ++count_;
    }
}

int LinkArray::decodeBlock(std::size_t b, std::int32_t* values) const
{
    const std::size_t first = b << kBlockShift;
    const int n = static_cast<int>(std::min<std::size_t>(kBlockMask + 1, static_cast<std::size_t>(count_) - first));
    std::size_t whole = heads_[b].firstWhole;
    values[0] = heads_[b].value;
    for (int j = 1; j < n; ++j)
        values[j] = next(values[j - 1], steps_[first + static_cast<std::size_t>(j)], whole);
    return n;
}

void LinkArray::encodeBlock(std::size_t b, const std::int32_t* values, int count)
{
    const std::size_t first = b << kBlockShift;
    std::int32_t wholeValues[kBlockMask + 1];
    std::size_t wholeCount = 0;
    for (int j = 1; j < count; ++j) {
        const std::int64_t step = std::int64_t{values[j]} - values[j - 1];
        const bool small = step >= 0 && step < kWhole;
        steps_[first + static_cast<std::size_t>(j)] = small ? static_cast<std::uint8_t>(step) : kWhole;
        if (!small)
            wholeValues[wholeCount++] = values[j];
    }
    const std::size_t at = heads_[b].firstWhole;
    const std::size_t end = b + 1 < heads_.size() ? heads_[b + 1].firstWhole : whole_.size();
    const std::size_t had = end - at;
    for (std::size_t k = had; k < wholeCount; ++k)
        whole_.insert(at + had, 0);
    for (std::size_t k = wholeCount; k < had; ++k)
        whole_.erase(at + wholeCount);
    for (std::size_t k = 0; k < wholeCount; ++k)
        whole_[at + k] = wholeValues[k];
    if (wholeCount != had)
        for (std::size_t later = b + 1; later < heads_.size(); ++later)
            heads_[later].firstWhole = static_cast<std::uint32_t>(heads_[later].firstWhole + wholeCount - had);
    heads_[b].value = values[0];
    if (b + 1 == heads_.size())
        last_ = values[count - 1];
}

bool LinkArray::set(int index, std::int32_t value)
{
    if (index < 0 || index >= count_)
        return false;
    const std::size_t b = static_cast<std::size_t>(index) >> kBlockShift;
    std::int32_t values[kBlockMask + 1];
    const int n = decodeBlock(b, values);
    values[static_cast<std::size_t>(index) & kBlockMask] = value;
    encodeBlock(b, values, n);
    return true;
}

std::int32_t LinkArray::get(int index) const
{
    if (index < 0 || index >= count_)
        return 0;
    const auto i = static_cast<std::size_t>(index);
    const std::size_t first = i & ~kBlockMask;
    const Head& head = heads_[i >> kBlockShift];
    std::int32_t value = head.value;
    std::size_t whole = head.firstWhole;
    for (std::size_t k = first + 1; k <= i; ++k)
        value = next(value, steps_[k], whole);
    return value;
}

void LinkArray::clear()
{
    steps_.clear();
    heads_.clear();
    whole_.clear();
    count_ = 0;
    last_ = 0;
}

} // namespace velmor
