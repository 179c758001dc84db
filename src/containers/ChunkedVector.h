#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace velmor {

// A vector of trivially copyable values in chunks of 2^Shift values: growing
// never copies what it holds, so a large one never needs twice its size
// while it grows, and an element never moves while others are appended.
template <typename T, int Shift = 14>
class ChunkedVector {
public:
    static constexpr std::size_t kChunk = std::size_t{1} << Shift;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t i) { return chunks_[i >> Shift][i & (kChunk - 1)]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> Shift][i & (kChunk - 1)]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    void push_back(const T& value)
    {
        if ((size_ >> Shift) == chunks_.size())
            chunks_.emplace_back(new T[kChunk]);
        (*this)[size_++] = value;
    }
    void pop_back() { --size_; }
    // Shrinks to `count` values (growing is push_back's); chunks no longer
    // needed are released.
    void truncate(std::size_t count)
    {
        if (count >= size_)
            return;
        size_ = count;
        chunks_.resize((count + kChunk - 1) >> Shift);
    }
    // Opens a slot at `i`, moving the values from there on by one.
    void insert(std::size_t i, const T& value)
    {
        push_back(value);
        for (std::size_t k = size_ - 1; k > i; --k)
            (*this)[k] = (*this)[k - 1];
        (*this)[i] = value;
    }
    void erase(std::size_t i)
    {
        for (std::size_t k = i; k + 1 < size_; ++k)
            (*this)[k] = (*this)[k + 1];
        --size_;
    }
    void clear()
    {
        chunks_.clear();
        chunks_.shrink_to_fit();
        size_ = 0;
    }
    std::size_t heldBytes() const { return chunks_.size() * kChunk * sizeof(T); }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

} // namespace velmor
