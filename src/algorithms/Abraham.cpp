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
#include <bit>
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
// adds nor copies more than the caller still needs when it grows: W is
// rewritten from the start for every path.
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
          prefix_(static_cast<std::size_t>(paths.words())), failed_(static_cast<std::size_t>(paths.words())),
          open_(static_cast<std::size_t>(paths.words())),
          pathWords_(static_cast<std::size_t>(setWordsFor(paths.rows())))
    {
        pathsWith_.assign(static_cast<std::size_t>(words_) * kSetWordBits * pathWords_, 0);
        for (int j = 0; j < paths.rows(); ++j) {
            const SetWord* path = paths.row(j);
            for (int w = 0; w < words_; ++w)
                for (SetWord bits = path[w]; bits != 0; bits &= bits - 1) {
                    const auto element = static_cast<std::size_t>(w * kSetWordBits + std::countr_zero(bits));
                    pathsWith_[element * pathWords_ + static_cast<std::size_t>(j) / kSetWordBits] |= SetWord{1} << (j % kSetWordBits);
                }
        }
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

    // W := path i and not-path-0 and ... and not-path-(i-1), one iteration
    // per path j as the step-by-step version does, with the memory figure
    // of W after each. W is computed first (expandPath), then the
    // iterations replay the sizes it passed through: a stop at any of them
    // leaves W unused, as a stop inside the steps would.
    bool mergePath(int i, bool& stopped)
    {
        const int last = paths_.rows() - 1;
        expandPath(i);
        for (int j = 0; j < i; ++j) {
            count_ = stageSizes_[static_cast<std::size_t>(j) + 1];
            if (run_.endIteration(workingSetBytes(), i, last)) {
                stopped = true;
                return true;
            }
        }
        count_ = stageSizes_[static_cast<std::size_t>(i)];
        return appendTerms(i);
    }

    // The terms of W after the last step, in their order, and how many terms
    // W held after each step. Step j keeps a term that fails an element of
    // path j, drops one that lies inside it, and replaces any other by its
    // expansion over the path's open elements, in place. So every term's
    // descendants stay together where it stood: W's final order is that of
    // a depth-first walk, and a term can go straight to the first path j
    // that does not meet its failed elements. Almost every step keeps
    // almost every term (on the 5x5 grid 99.5 % of 27 billion term steps),
    // so this skips the copies that were nearly all the work.
    void expandPath(int i)
    {
        switch (words_) {
        case 1: return expandWith<1>(i);
        case 2: return expandWith<2>(i);
        default: return expandWith<0>(i);
        }
    }

    // Words is the set width when known at compile time, 0 otherwise.
    template <int Words>
    void expandWith(int i)
    {
        const auto words = static_cast<std::size_t>(Words > 0 ? Words : words_);
        const std::size_t stride = 2 * words;
        stageSizes_.assign(static_cast<std::size_t>(i) + 2, 0);
        std::size_t leaves = 0;
        // The frames to walk, each a term (works, then fails) and its first
        // step; the last one is walked next.
        std::size_t frames = 0;
        auto frame = [&](std::size_t f) { return stack_.data() + f * stride; };
        auto reserveFrames = [&](std::size_t more) {
            if ((frames + more) * stride > stack_.size()) {
                stack_.resize(std::max((frames + more) * stride, 2 * stack_.size()));
                stackStages_.resize(stack_.size() / stride);
            }
        };
        reserveFrames(1);
        std::copy(paths_.row(i), paths_.row(i) + words, frame(0));
        std::fill(frame(0) + words, frame(0) + stride, SetWord{0});
        stackStages_[0] = 0;
        frames = 1;
        SetWord works[Words > 0 ? Words : 1];
        SetWord fails[Words > 0 ? Words : 1];
        SetWord* const worksOf = Words > 0 ? works : prefix_.data();
        SetWord* const failsOf = Words > 0 ? fails : failed_.data();
        SetWord openBits[Words > 0 ? Words : 1];
        SetWord* const openOf = Words > 0 ? openBits : open_.data();
        while (frames > 0) {
            --frames;
            const int stage = stackStages_[frames];
            const SetWord* top = frame(frames);
            for (std::size_t w = 0; w < words; ++w) {
                worksOf[w] = top[w];
                failsOf[w] = top[words + w];
            }
            const int j = firstPathMissing<Words>(failsOf, stage, i);
            // In W from step `stage` on, up to and with step j.
            ++stageSizes_[static_cast<std::size_t>(stage)];
            --stageSizes_[static_cast<std::size_t>(j) + 1];
            if (j == i) {
                current_.ensure((leaves + 1) * stride, leaves * stride);
                SetWord* out = current_.data() + leaves * stride;
                for (std::size_t w = 0; w < words; ++w) {
                    out[w] = worksOf[w];
                    out[words + w] = failsOf[w];
                }
                ++leaves;
                continue;
            }
            // term and not-path-j = term.!x1 + term.x1.!x2 + ... over the
            // open elements x1 < x2 < ... of path j; none when it has none.
            // Pushed last to first, so that they are walked first to last:
            // the one failing xk works with x1 .. x(k-1).
            // The children take the popped frame's place and those above it.
            const SetWord* path = paths_.row(j);
            for (std::size_t w = 0; w < words; ++w) {
                openOf[w] = path[w] & ~worksOf[w];
                worksOf[w] |= path[w];
            }
            reserveFrames(words * kSetWordBits); // at most a child per element
            for (std::size_t w = words; w-- > 0;) {
                for (SetWord bits = openOf[w]; bits != 0;) {
                    const SetWord bit = SetWord{1} << (kSetWordBits - 1 - std::countl_zero(bits));
                    bits &= ~bit;
                    worksOf[w] &= ~bit;
                    SetWord* child = frame(frames);
                    for (std::size_t v = 0; v < words; ++v) {
                        child[v] = worksOf[v];
                        child[words + v] = failsOf[v];
                    }
                    child[words + w] |= bit;
                    stackStages_[frames] = j + 1;
                    ++frames;
                }
            }
        }
        for (std::size_t s = 1; s < stageSizes_.size(); ++s)
            stageSizes_[s] += stageSizes_[s - 1];
    }

    // The first path from `from` on (before `end`) without any of the
    // failed elements, or `end`: a word at a time over the paths, from
    // the sets of paths that hold each failed element.
    template <int Words>
    int firstPathMissing(const SetWord* fails, int from, int end) const
    {
        const int words = Words > 0 ? Words : words_;
        // The next few paths directly: where W is small, terms meet a path
        // that misses them within a step or two.
        constexpr int kDirect = 8;
        for (const int stop = std::min(end, from + kDirect); from < stop; ++from) {
            const SetWord* path = paths_.row(from);
            bool meets = false;
            for (int w = 0; w < words; ++w)
                meets = meets || (path[w] & fails[w]) != 0;
            if (!meets)
                return from;
        }
        if (from >= end)
            return end;
        for (int w = from / kSetWordBits; w * kSetWordBits < end; ++w) {
            SetWord met = 0;
            for (int fw = 0; fw < words; ++fw)
                for (SetWord bits = fails[fw]; bits != 0; bits &= bits - 1) {
                    const int element = fw * kSetWordBits + std::countr_zero(bits);
                    met |= pathsWith_[static_cast<std::size_t>(element) * pathWords_ + static_cast<std::size_t>(w)];
                }
            SetWord open = ~met;
            if (w == from / kSetWordBits)
                open &= ~SetWord{0} << (from % kSetWordBits);
            if (open != 0)
                return std::min(end, w * kSetWordBits + std::countr_zero(open));
        }
        return end;
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
    // The term being walked (works, fails, and the open elements of the path
    // it meets), when the width is not fixed at compile time.
    std::vector<SetWord> prefix_;
    std::vector<SetWord> failed_;
    std::vector<SetWord> open_;
    // Per element, the set of paths (by row) that hold it.
    std::size_t pathWords_ = 0;
    std::vector<SetWord> pathsWith_;
    std::vector<int> stageSizes_;      // terms in W after each step of a path
    std::vector<SetWord> stack_;       // terms still to walk, works then fails
    std::vector<int> stackStages_;     // the first step each of them meets
    int count_ = 0;                    // terms in W
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
