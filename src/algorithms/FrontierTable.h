#pragma once

// The boundary states of one step: keys of a fixed number of 64-bit words
// with the probability of each, held densely in the order they were first
// met. Equal keys merge by adding their probabilities.
//
// The states of a wide boundary far outgrow the caches, and adding each
// new state straight into one large hash table costs a miss in memory per
// state. So the states a step produces are first gathered in buckets by
// the top bits of their hash, written one after another, and each bucket
// is then merged on its own in a small index that stays in the cache.

#include "platform/ZeroedWords.h"

#include <cstdint>
#include <vector>

namespace velmor::frontier {

// Words a probability takes after its key.
constexpr int kWeightWords = (sizeof(long double) + 7) / 8;

// A probability after a key sits on a word's boundary only: read and
// written in place, not through a copy on the stack, which costs the x87
// format a stall on every state.
typedef long double PlacedWeight __attribute__((aligned(8)));

inline long double weightAt(const std::uint64_t* at)
{
    return *reinterpret_cast<const PlacedWeight*>(at);
}

inline void setWeightAt(std::uint64_t* at, long double w)
{
    *reinterpret_cast<PlacedWeight*>(at) = w;
}

class StateTable {
public:
    // Empties the table for keys of `words` words; its storage stays for
    // the next states.
    void reset(int words);

    static std::uint64_t hashOf(const std::uint64_t* key, int words)
    {
        std::uint64_t h = key[0] * 0x9E3779B97F4A7C15ull;
        for (int i = 1; i < words; ++i)
            h = (h ^ key[i]) * 0x9E3779B97F4A7C15ull;
        return h ^ (h >> 31);
    }

    // The state of the boundary before the first step, all key bits 0,
    // with probability 1.
    bool addEmptyBoundary();

    int words() const { return words_; }
    std::size_t size() const { return size_; }
    const std::uint64_t* key(std::size_t i) const { return cells_.data() + i * stride_; }
    long double weight(std::size_t i) const { return weightAt(key(i) + words_); }
    // The probability where it sits, for reading without a copy.
    const PlacedWeight& weightIn(std::size_t i) const
    {
        return *reinterpret_cast<const PlacedWeight*>(key(i) + words_);
    }
    long double totalWeight() const;

    // Bytes the table holds.
    std::int64_t byteSize() const { return static_cast<std::int64_t>(cells_.byteSize()); }

private:
    friend class StateStage;

    // Appends `count` states laid out as in the table; false when storage
    // ran out or growing would make the table pass `limit` bytes (-1: no
    // bound).
    bool append(const std::uint64_t* states, std::size_t count, std::int64_t limit);

    int words_ = 1;
    std::size_t stride_ = 1 + kWeightWords; // words per state
    std::size_t size_ = 0;
    ZeroedWords cells_;
};

// The states of one step on their way to the next table. Each bucket
// collects eight states in a line buffer that stays in the first-level
// cache, and moves them on in whole cache lines that bypass the cache:
// written at random into memory, each state would first fetch its line.
class StateStage {
public:
    StateStage() = default;
    StateStage(const StateStage&) = delete;
    StateStage& operator=(const StateStage&) = delete;
    ~StateStage();

    // Starts gathering keys of `words` words for about `expected` states;
    // the storage of earlier steps is used again. False when storage ran
    // out or the stage would hold more than `room` bytes (-1: no bound).
    bool begin(int words, std::size_t expected, std::int64_t room);

    // False when storage ran out or the stage would hold more than `room`
    // bytes. Words: the key's width when the caller knows it, 0 otherwise.
    template <int Words = 0>
    bool put(const std::uint64_t* key, std::uint64_t hash, long double weight, std::int64_t room)
    {
        const std::size_t b = (hash >> 1) >> (63 - bits_);
        const int words = Words > 0 ? Words : words_;
        const std::size_t stride = Words > 0 ? Words + kWeightWords : stride_;
        std::uint32_t& held = held_[b];
        std::uint64_t* at = lines_ + (b * kLineStates + held) * stride;
        for (int i = 0; i < words; ++i)
            at[i] = key[i];
        setWeightAt(at + words, weight);
        return ++held < kLineStates || moveOn(b, room);
    }

    // Merges what was gathered into `table` (empty, same key width),
    // bucket by bucket, the table holding `limit` bytes at most (-1: no
    // bound). False when storage ran out; the states not merged are then
    // lost.
    bool mergeInto(StateTable& table, std::int64_t limit);

    std::int64_t byteSize() const
    {
        return static_cast<std::int64_t>(bytes_ + merged_.capacity() * sizeof(std::uint64_t)
                                         + index_.capacity() * sizeof(std::uint32_t));
    }

private:
    static constexpr std::size_t kLineStates = 8;
    struct Bucket {
        std::vector<std::uint64_t*> chunks;
        std::uint64_t* at = nullptr;  // next free word of the last chunk
        std::uint64_t* end = nullptr; // end of the last chunk
        std::size_t moved = 0;        // states in the chunks
    };
    // The line buffer of bucket `b`.
    std::uint64_t* lineOf(std::size_t b) const { return lines_ + b * kLineStates * stride_; }
    // Moves the full line buffer of bucket `b` into its chunks.
    bool moveOn(std::size_t b, std::int64_t room);
    std::uint64_t* newChunk(std::int64_t room);
    template <int Words>
    bool mergeBucket(const Bucket& bucket, std::size_t b, StateTable& table, std::int64_t limit);
    template <int Words>
    void mergeRun(const std::uint64_t* at, std::size_t count);

    int words_ = 1;
    std::size_t stride_ = 1 + kWeightWords;
    std::size_t chunkWords_ = 0; // words of a chunk that whole line buffers fill
    int bits_ = 0;
    std::vector<Bucket> buckets_;
    std::vector<std::uint32_t> held_; // states in each bucket's line buffer
    std::uint64_t* lines_ = nullptr; // the line buffers, bucket after bucket
    std::size_t lineWords_ = 0;
    std::vector<std::uint64_t*> chunks_;
    std::size_t chunksInUse_ = 0;
    std::size_t bytes_ = 0;
    // A bucket's distinct states while it is merged, and their index.
    std::vector<std::uint64_t> merged_;
    std::uint64_t* mergedAt_ = nullptr; // where they go: the table's end, or merged_
    std::size_t mergedCount_ = 0;
    std::vector<std::uint32_t> index_;
    std::size_t indexMask_ = 0;
};

// Where the expansion of the states of one step sends what comes of them:
// states of the next boundary, or probability that has connected the
// terminals or can no longer connect them.
class StepOutcomes {
public:
    // `ceiling`: bytes the next table and the stage may hold (-1: none).
    StepOutcomes(StateTable& table, StateStage& stage, std::int64_t ceiling)
        : next_(table), stage_(stage), ceiling_(ceiling), words_(table.words()),
          stageRoom_(ceiling < 0 ? -1 : ceiling - table.byteSize())
    {
    }

    void state(const std::uint64_t* key, long double weight)
    {
        if (!outOfRoom && !stage_.put(key, StateTable::hashOf(key, words_), weight, stageRoom_))
            outOfRoom = true;
    }
    // A state of a one-word key.
    void state(std::uint64_t key, long double weight)
    {
        if (!outOfRoom && !stage_.put<1>(&key, StateTable::hashOf(&key, 1), weight, stageRoom_))
            outOfRoom = true;
    }
    // Bytes the stage may hold while the next table is empty (-1: no bound).
    std::int64_t stageRoom() const { return stageRoom_; }
    void connect(long double weight) { connected += weight; }
    void disconnect(long double weight) { disconnected += weight; }

    // Merges the gathered states into the next table; after the last
    // expansion of a step.
    void merge()
    {
        if (!outOfRoom && !stage_.mergeInto(next_, ceiling_ < 0 ? -1 : ceiling_ - stage_.byteSize()))
            outOfRoom = true;
    }

    long double connected = 0;
    long double disconnected = 0;
    // A state could not be stored; its probability is in neither sum.
    bool outOfRoom = false;

private:
    StateTable& next_;
    StateStage& stage_;
    std::int64_t ceiling_;
    int words_;
    std::int64_t stageRoom_; // bytes the stage may hold while the next table is empty
};

} // namespace velmor::frontier
