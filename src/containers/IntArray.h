#pragma once

#include <cstdint>
#include <vector>

namespace velmor {

// Dense array of 32-bit integers. Its size is told by the last valid index
// (-1 = empty); reads outside give 0 and writes outside are refused, so that
// callers can probe freely without checking bounds first.
class IntArray {
public:
    bool allocate(int count);
    bool resize(int count);
    bool set(int index, std::int32_t value);
    std::int32_t get(int index) const;
    void clear();

    int lastIndex() const { return static_cast<int>(entries_.size()) - 1; }
    int count() const { return static_cast<int>(entries_.size()); }
    std::int64_t byteSize() const { return 4 * static_cast<std::int64_t>(entries_.size()); }

    // Unchecked access for inner loops that already know the bounds.
    std::int32_t* data() { return entries_.data(); }
    const std::int32_t* data() const { return entries_.data(); }

private:
    std::vector<std::int32_t> entries_;
};

} // namespace velmor
