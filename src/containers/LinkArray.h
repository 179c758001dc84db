#pragma once

#include "containers/ChunkedVector.h"

#include <cstdint>
#include <vector>

namespace velmor {

// The links of the algorithms' result rows: for every row, the row or path
// it comes from. Behaves like IntArray (size by last index, reads outside
// give 0, writes outside are refused, the memory figure of 4 bytes per
// entry), but holds a byte per entry: the difference to the entry before.
// The links grow with the rows (a tree's parents and Abraham's paths never
// go back), so that difference is small; one that is negative or too large
// for the byte is kept whole beside it. Every 64th entry is kept whole, so
// a read adds at most 63 bytes.
class LinkArray {
public:
    bool allocate(int count);
    bool resize(int count);
    bool set(int index, std::int32_t value);
    std::int32_t get(int index) const;
    void clear();
    // Appends `count` entries holding `value`.
    void append(std::int32_t value, int count = 1);

    int lastIndex() const { return count_ - 1; }
    int count() const { return count_; }
    std::int64_t byteSize() const { return 4 * static_cast<std::int64_t>(count_); }
    // The bytes the entries really take.
    std::int64_t heldBytes() const
    {
        return static_cast<std::int64_t>(steps_.heldBytes() + heads_.heldBytes() + whole_.heldBytes());
    }

    // Calls f(index, value) for every entry, in order.
    template <typename F>
    void forEach(F&& f) const
    {
        std::int32_t value = 0;
        std::size_t whole = 0;
        for (int k = 0; k < count_; ++k) {
            const auto i = static_cast<std::size_t>(k);
            if ((i & kBlockMask) == 0) {
                value = heads_[i >> kBlockShift].value;
                whole = heads_[i >> kBlockShift].firstWhole;
            } else {
                value = next(value, steps_[i], whole);
            }
            f(k, value);
        }
    }

private:
    static constexpr int kBlockShift = 6;
    static constexpr std::size_t kBlockMask = (std::size_t{1} << kBlockShift) - 1;
    static constexpr std::uint8_t kWhole = 0xFF; // the entry is kept whole

    struct Head {
        std::int32_t value;      // the block's first entry
        std::uint32_t firstWhole; // where the block's whole entries start
    };

    std::int32_t next(std::int32_t previous, std::uint8_t step, std::size_t& whole) const
    {
        return step == kWhole ? whole_[whole++] : previous + step;
    }
    // Writes the entries of block `b` anew from `values` (`count` of them).
    void encodeBlock(std::size_t b, const std::int32_t* values, int count);
    int decodeBlock(std::size_t b, std::int32_t* values) const;

    ChunkedVector<std::uint8_t> steps_;
    ChunkedVector<Head, 10> heads_;
    ChunkedVector<std::int32_t, 10> whole_;
    int count_ = 0;
    std::int32_t last_ = 0;
};

} // namespace velmor
