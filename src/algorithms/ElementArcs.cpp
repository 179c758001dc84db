#include "algorithms/ElementArcs.h"

#include <cstring>

namespace velmor {

namespace {

constexpr int kWordCells = 32;

// Whether the kWordCells cells from `cells` on are all zero.
bool zeroWords(const std::int8_t* cells)
{
    std::uint64_t words[kWordCells / 8];
    std::memcpy(words, cells, sizeof words);
    std::uint64_t any = 0;
    for (std::uint64_t w : words)
        any |= w;
    return any == 0;
}

} // namespace

bool ElementArcs::build(const ByteMatrix& matrix)
{
    const int n = matrix.rowCount();
    if (matrix.columnCount() != n)
        return false;
    const auto count = static_cast<std::size_t>(n);
    outStart_.assign(count + 1, 0);
    inStart_.assign(count + 1, 0);
    outList_.clear();
    // One pass over the matrix: the out-lists in row order, ascending within
    // each row, and the number of arcs into every element.
    // Rows are mostly zero: whole words of zero cells are passed at once.
    for (int a = 0; a < n; ++a) {
        const std::int8_t* cells = matrix.row(a);
        int b = 0;
        while (b < n) {
            if (n - b >= kWordCells && zeroWords(cells + b)) {
                b += kWordCells;
                continue;
            }
            for (const int end = std::min(n, b + kWordCells); b < end; ++b) {
                if (cells[b] > 1)
                    return false;
                if (cells[b] == 1) {
                    outList_.push_back(b);
                    ++inStart_[static_cast<std::size_t>(b) + 1];
                }
            }
        }
        outStart_[static_cast<std::size_t>(a) + 1] = static_cast<int>(outList_.size());
    }
    for (std::size_t i = 0; i < count; ++i)
        inStart_[i + 1] += inStart_[i];
    // Walking the out-lists in ascending source order fills every in-list in
    // ascending order.
    inList_.assign(outList_.size(), 0);
    std::vector<int> fill(inStart_.begin(), inStart_.end() - 1);
    for (int a = 0; a < n; ++a)
        for (int b : out(a))
            inList_[static_cast<std::size_t>(fill[static_cast<std::size_t>(b)]++)] = a;
    return true;
}

void ReachingSet::indexWays()
{
    const std::size_t count = next_.size();
    preorder_.resize(count);
    below_.resize(count);
    cursor_.resize(count);
    // The search found every element after the one it was found through, so
    // sizes add up backwards and preorder ranges are handed out forwards.
    for (int x : queue_)
        below_[static_cast<std::size_t>(x)] = 1;
    for (std::size_t i = queue_.size(); i-- > 1;) {
        const auto x = static_cast<std::size_t>(queue_[i]);
        below_[static_cast<std::size_t>(next_[x])] += below_[x];
    }
    if (queue_.empty())
        return;
    preorder_[static_cast<std::size_t>(queue_[0])] = 0;
    cursor_[static_cast<std::size_t>(queue_[0])] = 1;
    for (std::size_t i = 1; i < queue_.size(); ++i) {
        const auto x = static_cast<std::size_t>(queue_[i]);
        int& parentCursor = cursor_[static_cast<std::size_t>(next_[x])];
        preorder_[x] = parentCursor;
        parentCursor += below_[x];
        cursor_[x] = preorder_[x] + 1;
    }
}

bool ReachingSet::wayOpen(const ElementArcs& arcs, int start, std::span<const int> blocked) const
{
    for (int next : arcs.out(start)) {
        if (!marks_.has(next))
            continue;
        const int at = preorder_[static_cast<std::size_t>(next)];
        const bool cut = std::any_of(blocked.begin(), blocked.end(), [&](int d) {
            const int from = preorder_[static_cast<std::size_t>(d)];
            return at >= from && at < from + below_[static_cast<std::size_t>(d)];
        });
        if (!cut)
            return true;
    }
    return false;
}

} // namespace velmor
