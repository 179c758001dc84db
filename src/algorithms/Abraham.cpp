// Abraham: minimal paths turned into disjoint products.
//
// Produces exactly what the straightforward version in algorithms/reference
// produces (paths, sort lists, terms, links, counters, memory samples, stop
// points), with the work done differently:
// - paths and terms are bit sets, so "does this term exclude path j" and
//   "which elements of path j does it leave open" are a few word operations;
// - the path search follows adjacency lists instead of copying and marking
//   the whole matrix per partial path, and decides every candidate of a step
//   with one backward search from the destination instead of one forward
//   search per candidate;
// - all working storage is reused from step to step; the memory figures are
//   computed from the dimensions the step-by-step containers would have.

#include "algorithms/Abraham.h"

#include "algorithms/AbrahamPaths.h"
#include "algorithms/ElementArcs.h"
#include "algorithms/ElementSets.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace velmor {

namespace {

constexpr int kWholeRunSlot = 0;
constexpr int kSearchSlot = 1;
constexpr int kSortSlot = 2;
constexpr int kExecutionSlot = 3;

// --- Disjoint products -------------------------------------------------------

// Bits 0..31 of x moved to the even bits 0, 2, ..., 62.
constexpr std::uint64_t spreadToEvenBits(std::uint64_t x)
{
    x &= 0xFFFFFFFFULL;
    x = (x | (x << 16)) & 0x0000FFFF0000FFFFULL;
    x = (x | (x << 8)) & 0x00FF00FF00FF00FFULL;
    x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0FULL;
    x = (x | (x << 2)) & 0x3333333333333333ULL;
    x = (x | (x << 1)) & 0x5555555555555555ULL;
    return x;
}

// Writes the whole packed row of a term: 1 for the working elements, -1 for
// the failed ones (the two sets are disjoint), 0 elsewhere; 32 cells per
// word of the row, the bits of both sets interleaved.
void termToPacked(const SetWord* works, const SetWord* fails, int rowBytes, std::uint8_t* row)
{
    for (int at = 0, half = 0; at < rowBytes; at += 8, ++half) {
        const int shift = (half & 1) * 32;
        const std::uint64_t packed = spreadToEvenBits(works[half / 2] >> shift)
                                     | (spreadToEvenBits(fails[half / 2] >> shift) << 1);
        std::memcpy(row + at, &packed, static_cast<std::size_t>(std::min(8, rowBytes - at)));
    }
}

// A growing buffer of set words. Unlike a vector it neither clears what it
// adds nor copies more than the caller still needs when it grows: W and T
// are rewritten from the start at every step.
class TermBuffer {
public:
    SetWord* data() { return words_.get(); }
    const SetWord* data() const { return words_.get(); }

    // Room for `words` words; the first `kept` survive a reallocation.
    void ensure(std::size_t words, std::size_t kept)
    {
        if (words <= capacity_)
            return;
        const std::size_t capacity = std::max({words, 2 * capacity_, std::size_t{256}});
        std::unique_ptr<SetWord[]> grown(new SetWord[capacity]);
        if (kept > 0)
            std::copy(words_.get(), words_.get() + kept, grown.get());
        words_ = std::move(grown);
        capacity_ = capacity;
    }

    std::size_t capacity() const { return capacity_; }

    void swap(TermBuffer& other) noexcept
    {
        std::swap(words_, other.words_);
        std::swap(capacity_, other.capacity_);
    }

private:
    std::unique_ptr<SetWord[]> words_;
    std::size_t capacity_ = 0;
};

// A term is two sets over the elements: those that work, then those that
// fail. `termWords` = 2 * set words.
class Products {
public:
    Products(AlgorithmRun& run, StructureWorkspace& ws, const SetRows& paths)
        : run_(run), ws_(ws), writer_(ws.abrahamProducts, ws.abraham.feed), paths_(paths),
          words_(paths.words()), columns_(ws.abrahamPaths.columnCount()),
          prefix_(static_cast<std::size_t>(paths.words())), pathSizes_(static_cast<std::size_t>(paths.rows()))
    {
        for (int j = 0; j < paths.rows(); ++j)
            pathSizes_[static_cast<std::size_t>(j)] = setCount(paths.row(j), words_);
    }

    bool build()
    {
        const int pathCount = paths_.rows();
        if (pathCount == 0) {
            writer_.allocate(0, 0);
            ws_.abraham.links.clear();
            return true;
        }
        if (!start())
            return false;
        if (pathCount == 1)
            ws_.abraham.memoryLog.record(run_.nextSample++, workingSetBytes());
        bool stopped = false;
        for (int i = 1; i < pathCount && !stopped; ++i)
            if (!mergePath(i, stopped))
                return false;
        if (stopped)
            run_.markStopped();
        return true;
    }

private:
    bool start()
    {
        if (!writer_.allocate(columns_, 1))
            return false;
        const std::vector<SetWord> none(static_cast<std::size_t>(words_), 0);
        termToPacked(paths_.row(0), none.data(), ws_.abrahamProducts.rowBytes(), ws_.abrahamProducts.row(0));
        writer_.publishAll();
        ws_.abraham.links.clear();
        if (!ws_.abraham.links.allocate(1))
            return false;
        ws_.abraham.iterations.store(0, std::memory_order_relaxed);
        return true;
    }

    // What the step-by-step containers would measure: the paths, the links,
    // the terms so far, W as a byte matrix of one row per term, the marks X
    // (one int per element) and T, empty at every sample.
    std::int64_t workingSetBytes() const
    {
        const std::int64_t current = count_ > 0 ? (std::int64_t(columns_) - 1 + 4) * (count_ - 1) + 4 : 0;
        const std::int64_t marks = 4 * std::int64_t(columns_);
        return ws_.abrahamPaths.byteSize() + ws_.abraham.links.byteSize() + ws_.abrahamProducts.byteSize() + current
             + marks;
    }

    bool mergePath(int i, bool& stopped)
    {
        const int termWords = 2 * words_;
        const int last = paths_.rows() - 1;
        current_.ensure(static_cast<std::size_t>(termWords), 0);
        std::copy(paths_.row(i), paths_.row(i) + words_, current_.data());
        std::fill(current_.data() + words_, current_.data() + termWords, SetWord{0});
        count_ = 1;
        for (int j = 0; j < i; ++j) {
            count_ = excludePath(j);
            current_.swap(next_);
            if (run_.endIteration(workingSetBytes(), i, last)) {
                stopped = true;
                return true;
            }
        }
        return appendTerms(i);
    }

    // next := current and not-path-j, in the order of the terms; returns the
    // number of terms written.
    int excludePath(int j)
    {
        const SetWord* path = paths_.row(j);
        const auto pathSize = static_cast<std::size_t>(pathSizes_[static_cast<std::size_t>(j)]);
        switch (words_) {
        case 1: return excludeWith<1>(path, pathSize);
        case 2: return excludeWith<2>(path, pathSize);
        default: return excludeWith<0>(path, pathSize);
        }
    }

    // Words is the set width when known at compile time, 0 otherwise.
    template <int Words>
    int excludeWith(const SetWord* path, std::size_t pathSize)
    {
        const int words = Words > 0 ? Words : words_;
        const std::size_t stride = 2 * static_cast<std::size_t>(words);
        // Room checked once per term of W: enough for its copy or for all
        // its expanded terms. Locals, not the buffers' members, so that the
        // stores of terms (words of the same type) do not force reloads.
        const std::size_t room = std::max<std::size_t>(pathSize, 1) * stride;
        const SetWord* works = current_.data();
        const SetWord* const worksEnd = works + static_cast<std::size_t>(count_) * stride;
        SetWord* base = next_.data();
        SetWord* out = base;
        SetWord* limit = base + next_.capacity();
        // With the width known, the path and the prefix live in registers.
        SetWord localPath[Words > 0 ? Words : 1] = {};
        SetWord localPrefix[Words > 0 ? Words : 1] = {};
        if constexpr (Words > 0) {
            std::copy(path, path + Words, localPath);
            path = localPath;
        }
        SetWord* prefix = Words > 0 ? localPrefix : prefix_.data();
        for (; works != worksEnd; works += stride) {
            const SetWord* fails = works + words;
            if (static_cast<std::size_t>(limit - out) < room) {
                const auto kept = static_cast<std::size_t>(out - base);
                next_.ensure(kept + room, kept);
                base = next_.data();
                out = base + kept;
                limit = base + next_.capacity();
            }
            bool excludes = false;
            bool inside = true;
            for (int w = 0; w < words; ++w) {
                excludes = excludes || (fails[w] & path[w]) != 0;
                inside = inside && (path[w] & ~works[w]) == 0;
            }
            if (excludes) {
                std::copy(works, works + stride, out);
                out += stride;
                continue;
            }
            if (inside)
                continue; // the term lies inside path j
            // term and not-path-j = term.!x1 + term.x1.!x2 + ... over the open
            // elements x1 < x2 < ... of path j; at most one term per element.
            std::copy(works, works + words, prefix);
            for (int w = 0; w < words; ++w) {
                for (SetWord bits = path[w] & ~works[w]; bits != 0; bits &= bits - 1) {
                    const SetWord bit = bits & (~bits + 1);
                    std::copy(prefix, prefix + words, out);
                    std::copy(fails, fails + words, out + words);
                    out[words + w] |= bit;
                    prefix[w] |= bit;
                    out += stride;
                }
            }
        }
        return static_cast<int>(static_cast<std::size_t>(out - base) / stride);
    }

    // Appends the terms of path i in one step, then makes them readable to
    // the coordinator.
    bool appendTerms(int i)
    {
        ws_.abraham.partialCount.store(std::max(count_ - 1, 0), std::memory_order_relaxed);
        if (count_ > 0) {
            const int first = ws_.abrahamProducts.rowCount();
            // Every cell of the new rows is written below, before they are published.
            if (!writer_.appendRowsUncleared(count_))
                return false;
            ws_.abraham.links.append(i, count_);
            const int termWords = 2 * words_;
            TermRows& products = ws_.abrahamProducts;
            const int rowBytes = products.rowBytes();
            for (int k = 0; k < count_; ++k) {
                const SetWord* term = current_.data() + static_cast<std::size_t>(k) * termWords;
                termToPacked(term, term + words_, rowBytes, products.row(first + k));
            }
        }
        writer_.publishAll();
        return true;
    }

    AlgorithmRun& run_;
    StructureWorkspace& ws_;
    LiveTermWriter writer_;
    const SetRows& paths_;
    const int words_;
    const int columns_;
    TermBuffer current_; // W
    TermBuffer next_;    // T
    std::vector<SetWord> prefix_;  // the working elements of the next expanded term
    std::vector<int> pathSizes_;   // elements per path
    int count_ = 0;                // terms in W
};

} // namespace

bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    run.startSlot(kWholeRunSlot);
    run.startSlot(kSearchSlot);
    ElementArcs arcs;
    SetRows paths;
    if (!arcs.build(ws.workMatrix) || !findAbrahamPaths(run, ws, arcs, paths)) {
        run.stopSlot(kSearchSlot);
        run.stopSlot(kWholeRunSlot);
        return false;
    }
    run.stopSlot(kSearchSlot);

    run.startSlot(kSortSlot);
    sortAbrahamPaths(paths, ws.workMatrix.columnCount(), run.variant(), ws.abrahamPaths, ws.abrahamSortArray1, ws.abrahamSortArray2);
    run.stopSlot(kSortSlot);

    run.startSlot(kExecutionSlot);
    const bool built = Products(run, ws, paths).build();
    run.stopSlot(kExecutionSlot);
    run.stopSlot(kWholeRunSlot);
    if (!built)
        return false;

    // The final terms are the terms as they stand; the products are only
    // read from here on, so the two can hold the same rows.
    if (!ws.abrahamProducts.shareRowsWith(finalTerms))
        return false;
    run.storeResultCode();
    return true;
}

} // namespace velmor
