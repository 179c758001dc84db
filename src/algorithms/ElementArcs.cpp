#include "algorithms/ElementArcs.h"

namespace velmor {

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
    for (int a = 0; a < n; ++a) {
        const std::int8_t* cells = matrix.row(a);
        for (int b = 0; b < n; ++b) {
            if (cells[b] > 1)
                return false;
            if (cells[b] == 1) {
                outList_.push_back(b);
                ++inStart_[static_cast<std::size_t>(b) + 1];
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

} // namespace velmor
