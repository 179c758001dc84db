#pragma once

// The boundary states of one step: keys of a fixed number of 64-bit words
// with the probability of each, in a flat open-addressing hash table. Equal
// keys merge by adding their probabilities.
//
// A slot holds the key, the probability and the mark that it is in use, so
// that adding a state touches one place in memory: the tables of a wide
// boundary are far larger than the caches. States are added in batches
// whose slots are fetched ahead of the additions. A slot is in use when
// its mark equals the table's generation, so emptying the table for the
// next step only counts the generation on.

#include "platform/ZeroedWords.h"

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmor::frontier {

class StateTable {
public:
    // Empties the table for keys of `words` words, with slots for about
    // `expected` states; storage of another size is given back. False when
    // storage ran out.
    bool reset(int words, std::size_t expected, std::int64_t ceiling);

    static std::uint64_t hashOf(const std::uint64_t* key, int words)
    {
        std::uint64_t h = key[0] * 0x9E3779B97F4A7C15ull;
        for (int i = 1; i < words; ++i)
            h = (h ^ key[i]) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 31);
    }
    // Asks for the slot where a key of this hash is looked up first.
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(cells_.data() + (hash & mask_) * stride_, 1); }

    // Adds `weight` to the state `key` (words() words, hash `hash`). False
    // when storage ran out or growing would pass `ceiling` bytes (-1: none);
    // the table is then unchanged.
    bool add(const std::uint64_t* key, std::uint64_t hash, long double weight, std::int64_t ceiling)
    {
        if (2 * (size_ + 1) > slots_ && !grow(ceiling))
            return false;
        for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
            std::uint64_t* cell = cells_.data() + slot * stride_;
            if (!usedCell(cell)) {
                for (int i = 0; i < words_; ++i)
                    cell[i] = key[i];
                setWeight(cell, weight);
                markUsed(cell);
                ++size_;
                return true;
            }
            if (cell[0] == key[0] && (words_ == 1 || sameRest(cell, key))) {
                setWeight(cell, weightOf(cell) + weight);
                return true;
            }
        }
    }

    // The state of the boundary before the first step, all key bits 0,
    // with probability 1.
    bool addEmptyBoundary();

    int words() const { return words_; }
    std::size_t size() const { return size_; }

    // The slots, in table order; only the used ones hold a state.
    std::size_t slotCount() const { return slots_; }
    bool used(std::size_t slot) const { return usedCell(cells_.data() + slot * stride_); }
    const std::uint64_t* key(std::size_t slot) const { return cells_.data() + slot * stride_; }
    long double weight(std::size_t slot) const { return weightOf(cells_.data() + slot * stride_); }
    long double totalWeight() const;

    // Bytes the table holds.
    std::int64_t byteSize() const;

private:
    // The x87 format uses 10 of the 16 bytes of a long double: the mark
    // sits in the last of them. Elsewhere it takes a word of its own.
    static constexpr bool kMarkInPadding = LDBL_MANT_DIG == 64 && sizeof(long double) == 16;
    static constexpr std::size_t kWeightBytes = kMarkInPadding ? 10 : sizeof(long double);
    static constexpr std::size_t kExtraWords = (sizeof(long double) + 7) / 8 + (kMarkInPadding ? 0 : 1);
    static constexpr std::size_t kMarkByte = kMarkInPadding ? 15 : (kExtraWords - 1) * 8;

    long double weightOf(const std::uint64_t* cell) const
    {
        long double w = 0;
        std::memcpy(&w, cell + words_, kWeightBytes);
        return w;
    }
    void setWeight(std::uint64_t* cell, long double w) const { std::memcpy(cell + words_, &w, kWeightBytes); }
    bool usedCell(const std::uint64_t* cell) const
    {
        return reinterpret_cast<const std::uint8_t*>(cell + words_)[kMarkByte] == generation_;
    }
    void markUsed(std::uint64_t* cell) const { reinterpret_cast<std::uint8_t*>(cell + words_)[kMarkByte] = generation_; }
    bool sameRest(const std::uint64_t* cell, const std::uint64_t* key) const
    {
        for (int i = 1; i < words_; ++i)
            if (cell[i] != key[i])
                return false;
        return true;
    }
    bool grow(std::int64_t ceiling);
    std::int64_t bytesFor(std::size_t slots) const;

    int words_ = 1;
    std::size_t stride_ = 1 + kExtraWords; // words per slot
    ZeroedWords cells_;
    std::size_t slots_ = 0;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
    std::uint8_t generation_ = 1; // never 0: a cleared slot is free
};

// Where the expansion of the states of one step sends what comes of them:
// states of the next boundary, or probability that has connected the
// terminals or can no longer connect them. States are held back in small
// batches so that their slots can be fetched before they are added.
class StepOutcomes {
public:
    StepOutcomes(StateTable& table, std::int64_t ceiling);

    void state(const std::uint64_t* key, long double weight)
    {
        const std::uint64_t hash = StateTable::hashOf(key, words_);
        next_.prefetch(hash);
        pending_[count_].hash = hash;
        pending_[count_].weight = weight;
        std::uint64_t* held = keys_.data() + count_ * static_cast<std::size_t>(words_);
        for (int i = 0; i < words_; ++i)
            held[i] = key[i];
        if (++count_ == kBatch)
            flush();
    }
    // A state of a one-word key.
    void state(std::uint64_t key, long double weight)
    {
        const std::uint64_t hash = StateTable::hashOf(&key, 1);
        next_.prefetch(hash);
        pending_[count_].hash = hash;
        pending_[count_].weight = weight;
        keys_[count_] = key;
        if (++count_ == kBatch)
            flush();
    }
    void connect(long double weight) { connected += weight; }
    void disconnect(long double weight) { disconnected += weight; }

    // Adds the states held back; after the last expansion of a step.
    void flush()
    {
        for (std::size_t i = 0; i < count_ && !outOfRoom; ++i)
            if (!next_.add(keys_.data() + i * static_cast<std::size_t>(words_), pending_[i].hash, pending_[i].weight,
                           ceiling_))
                outOfRoom = true;
        count_ = 0;
    }

    long double connected = 0;
    long double disconnected = 0;
    // A state could not be stored; its probability is in neither sum.
    bool outOfRoom = false;

private:
    static constexpr std::size_t kBatch = 32;
    struct Pending {
        std::uint64_t hash;
        long double weight;
    };

    StateTable& next_;
    std::int64_t ceiling_;
    int words_;
    std::size_t count_ = 0;
    Pending pending_[kBatch];
    std::vector<std::uint64_t> keys_;
};

} // namespace velmor::frontier
