#include "algorithms/FrontierTable.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmor::frontier {

namespace {

constexpr std::size_t kFirstStates = 64;
constexpr std::size_t kLine = 64;
// A chunk of gathered states: 64 KiB.
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// States a bucket is meant to merge: its index and its distinct states
// then stay in the second-level cache.
constexpr std::size_t kStatesPerBucket = 4096;
constexpr int kMostBucketBits = 12;
constexpr std::uint32_t kEmpty = ~std::uint32_t{0};

std::uint64_t* lineAligned(std::size_t bytes)
{
    return static_cast<std::uint64_t*>(std::aligned_alloc(kLine, (bytes + kLine - 1) / kLine * kLine));
}

// Whole cache lines from `from` to `to` (both aligned to a line), written
// past the cache.
void moveLines(const std::uint64_t* from, std::uint64_t* to, std::size_t words)
{
#if defined(__SSE2__)
    for (std::size_t i = 0; i < words; i += 2)
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_load_si128(reinterpret_cast<const __m128i*>(from + i)));
#else
    std::copy_n(from, words, to);
#endif
}

} // namespace

void StateTable::reset(int words)
{
    words_ = words;
    stride_ = static_cast<std::size_t>(words) + kWeightWords;
    size_ = 0;
}

bool StateTable::addEmptyBoundary()
{
    std::vector<std::uint64_t> state(stride_, 0);
    setWeightAt(state.data() + words_, 1);
    return append(state.data(), 1, -1);
}

bool StateTable::append(const std::uint64_t* states, std::size_t count, std::int64_t limit)
{
    const std::size_t needed = (size_ + count) * stride_;
    if (needed > cells_.size()) {
        const std::size_t words = std::max({kFirstStates * stride_, 2 * cells_.size(), needed});
        if (limit >= 0 && static_cast<std::int64_t>(words * sizeof(std::uint64_t)) > limit)
            return false;
        if (!cells_.grow(words))
            return false;
    }
    std::copy_n(states, count * stride_, cells_.data() + size_ * stride_);
    size_ += count;
    return true;
}

long double StateTable::totalWeight() const
{
    long double total = 0;
    for (std::size_t i = 0; i < size_; ++i)
        total += weight(i);
    return total;
}

StateStage::~StateStage()
{
    std::free(lines_);
    for (std::uint64_t* chunk : chunks_)
        std::free(chunk);
}

bool StateStage::begin(int words, std::size_t expected, std::int64_t room)
{
    const std::size_t stride = static_cast<std::size_t>(words) + kWeightWords;
    // A line buffer of eight states fills `stride` whole cache lines.
    const std::size_t lineWords = kLineStates * stride;
    int bits = 0;
    while (bits < kMostBucketBits && (kStatesPerBucket << bits) < expected)
        ++bits;
    const std::size_t buckets = std::size_t{1} << bits;
    if (buckets * lineWords > lineWords_) {
        const std::size_t bytes = buckets * lineWords * sizeof(std::uint64_t);
        const std::size_t held = bytes_ - lineWords_ * sizeof(std::uint64_t) + bytes;
        if (room >= 0 && static_cast<std::int64_t>(held) > room)
            return false;
        std::uint64_t* lines = lineAligned(bytes);
        if (!lines)
            return false;
        std::free(lines_);
        bytes_ = held;
        lines_ = lines;
        lineWords_ = buckets * lineWords;
    }
    words_ = words;
    stride_ = stride;
    chunkWords_ = kChunkBytes / sizeof(std::uint64_t) / lineWords * lineWords;
    bits_ = bits;
    buckets_.resize(buckets);
    for (Bucket& bucket : buckets_) {
        bucket.chunks.clear();
        bucket.at = bucket.end = nullptr;
        bucket.moved = 0;
    }
    held_.assign(buckets, 0);
    chunksInUse_ = 0;
    return true;
}

std::uint64_t* StateStage::newChunk(std::int64_t room)
{
    if (chunksInUse_ == chunks_.size()) {
        if (room >= 0 && static_cast<std::int64_t>(bytes_ + kChunkBytes) > room)
            return nullptr;
        std::uint64_t* chunk = lineAligned(kChunkBytes);
        if (!chunk)
            return nullptr;
        try {
            chunks_.push_back(chunk);
        } catch (const std::bad_alloc&) {
            std::free(chunk);
            return nullptr;
        }
        bytes_ += kChunkBytes;
    }
    return chunks_[chunksInUse_++];
}

bool StateStage::moveOn(std::size_t b, std::int64_t room)
{
    Bucket& bucket = buckets_[b];
    const std::size_t lineWords = kLineStates * stride_;
    if (bucket.at == bucket.end) {
        std::uint64_t* chunk = newChunk(room);
        if (!chunk)
            return false;
        try {
            bucket.chunks.push_back(chunk);
        } catch (const std::bad_alloc&) {
            return false;
        }
        bucket.at = chunk;
        bucket.end = chunk + chunkWords_;
    }
    moveLines(lineOf(b), bucket.at, lineWords);
    bucket.at += lineWords;
    bucket.moved += kLineStates;
    held_[b] = 0;
    return true;
}

bool StateStage::mergeInto(StateTable& table, std::int64_t limit)
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
    for (std::size_t b = 0; b < buckets_.size(); ++b) {
        const Bucket& bucket = buckets_[b];
        const bool merged = words_ == 1 ? mergeBucket<1>(bucket, b, table, limit)
                                        : mergeBucket<0>(bucket, b, table, limit);
        if (!merged)
            return false;
    }
    return true;
}

// Words 0: any key width, read from words_.
template <int Words>
bool StateStage::mergeBucket(const Bucket& bucket, std::size_t b, StateTable& table, std::int64_t limit)
{
    const std::size_t states = bucket.moved + held_[b];
    if (states == 0)
        return true;
    const std::size_t slots = std::bit_ceil(std::max<std::size_t>(16, 2 * states));
    // Merged straight into the table when it has room for every state of
    // the bucket; otherwise beside it, and appended (growing it) after.
    const bool inPlace = table.cells_.size() >= (table.size_ + states) * stride_;
    try {
        if (index_.size() < slots)
            index_.resize(slots);
        if (!inPlace && merged_.size() < states * stride_)
            merged_.resize(states * stride_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::memset(index_.data(), 0xFF, slots * sizeof(std::uint32_t)); // every slot kEmpty
    indexMask_ = slots - 1;
    mergedCount_ = 0;
    mergedAt_ = inPlace ? table.cells_.data() + table.size_ * stride_ : merged_.data();
    std::size_t left = bucket.moved;
    for (const std::uint64_t* chunk : bucket.chunks) {
        const std::size_t inChunk = std::min(left, chunkWords_ / stride_);
        mergeRun<Words>(chunk, inChunk);
        left -= inChunk;
    }
    mergeRun<Words>(lineOf(b), held_[b]);
    if (inPlace) {
        table.size_ += mergedCount_;
        return true;
    }
    return table.append(merged_.data(), mergedCount_, limit);
}

template <int Words>
void StateStage::mergeRun(const std::uint64_t* at, std::size_t count)
{
    const int words = Words > 0 ? Words : words_;
    const std::size_t stride = Words > 0 ? Words + kWeightWords : stride_;
    for (std::size_t e = 0; e < count; ++e, at += stride) {
        for (std::size_t slot = StateTable::hashOf(at, words) & indexMask_;; slot = (slot + 1) & indexMask_) {
            const std::uint32_t i = index_[slot];
            if (i == kEmpty) {
                index_[slot] = static_cast<std::uint32_t>(mergedCount_);
                std::copy_n(at, stride, mergedAt_ + mergedCount_++ * stride);
                break;
            }
            std::uint64_t* cell = mergedAt_ + i * stride;
            if (std::equal(at, at + words, cell)) {
                setWeightAt(cell + words, weightAt(cell + words) + weightAt(at + words));
                break;
            }
        }
    }
}

} // namespace velmor::frontier
