#pragma once

// Packing a boundary state into the words of a key: fields of a fixed bit
// width, one after another. Each step fixes the layout of its keys, so two
// states are equal exactly when their keys are.

#include <cstdint>

namespace velmor::frontier {

constexpr int wordsFor(int bits)
{
    return bits <= 0 ? 1 : (bits + 63) / 64;
}

class BitWriter {
public:
    // `words` must be cleared by the caller and hold every field written.
    explicit BitWriter(std::uint64_t* words) : words_(words) {}

    void put(std::uint64_t value, int bits)
    {
        const int word = at_ / 64;
        const int shift = at_ % 64;
        words_[word] |= value << shift;
        if (shift + bits > 64)
            words_[word + 1] |= value >> (64 - shift);
        at_ += bits;
    }

private:
    std::uint64_t* words_;
    int at_ = 0;
};

class BitReader {
public:
    explicit BitReader(const std::uint64_t* words) : words_(words) {}

    std::uint64_t get(int bits)
    {
        const int word = at_ / 64;
        const int shift = at_ % 64;
        std::uint64_t value = words_[word] >> shift;
        if (shift + bits > 64)
            value |= words_[word + 1] << (64 - shift);
        at_ += bits;
        return bits == 64 ? value : value & ((std::uint64_t{1} << bits) - 1);
    }

private:
    const std::uint64_t* words_;
    int at_ = 0;
};

} // namespace velmor::frontier
