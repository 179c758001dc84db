#pragma once

// Sets of elements as bit rows, one bit per work index: path and term tests
// cost a few word operations instead of a scan over a matrix row.

#include "platform/ZeroedWords.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace velmor {

using SetWord = std::uint64_t;
constexpr int kSetWordBits = 64;

constexpr int setWordsFor(int elements) { return (elements + kSetWordBits - 1) / kSetWordBits; }

inline bool setHas(const SetWord* set, int e)
{
    return (set[e / kSetWordBits] >> (e % kSetWordBits)) & 1u;
}

inline void setAdd(SetWord* set, int e) { set[e / kSetWordBits] |= SetWord{1} << (e % kSetWordBits); }

inline int setCount(const SetWord* set, int words)
{
    int count = 0;
    for (int w = 0; w < words; ++w)
        count += std::popcount(set[w]);
    return count;
}

// Calls f(e) for every element of the set, in ascending order.
template <typename F>
void forEachElement(const SetWord* set, int words, F&& f)
{
    for (int w = 0; w < words; ++w) {
        for (SetWord bits = set[w]; bits != 0; bits &= bits - 1)
            f(w * kSetWordBits + std::countr_zero(bits));
    }
}

// Writes the set as a row of cells: `value` for members, the rest untouched.
inline void setToCells(const SetWord* set, int words, std::int8_t* cells, std::int8_t value)
{
    forEachElement(set, words, [&](int e) { cells[e] = value; });
}

// Rows of equal width stored back to back in one growing buffer, so that
// appending a row allocates only when the buffer doubles. The buffer comes
// zeroed from the system (in huge pages when large), so a new row needs no
// clearing, and grows by moving its pages: the growth of a long search
// touches no page twice.
class SetRows {
public:
    void reset(int elements)
    {
        words_ = setWordsFor(elements);
        rows_ = 0;
        bits_.release();
    }
    int words() const { return words_; }
    int rows() const { return rows_; }
    SetWord* row(int r) { return bits_.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(words_); }
    const SetWord* row(int r) const
    {
        return bits_.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(words_);
    }
    // Room for `more` rows beyond the present ones; row pointers stay valid
    // while appending within it.
    void reserveMore(int more)
    {
        const std::size_t needed = (static_cast<std::size_t>(rows_) + static_cast<std::size_t>(more))
                                 * static_cast<std::size_t>(words_);
        if (needed > bits_.size())
            grow(std::max(needed, 2 * bits_.size()));
    }
    // A new row, all clear.
    SetWord* append()
    {
        reserveMore(1);
        return row(rows_++);
    }

private:
    void grow(std::size_t words)
    {
        if (!bits_.grow(words))
            throw std::bad_alloc();
    }

    ZeroedWords bits_;
    int words_ = 0;
    int rows_ = 0;
};

} // namespace velmor
