#include "algorithms/ElementArcs.h"

namespace velmor {

bool holdsOnlyArcsAndGaps(const ByteMatrix& matrix)
{
    for (int r = 0; r <= matrix.lastRow(); ++r) {
        const std::int8_t* cells = matrix.row(r);
        for (int c = 0; c <= matrix.lastColumn(); ++c)
            if (cells[c] > 1)
                return false;
    }
    return true;
}

bool ElementArcs::build(const ByteMatrix& matrix)
{
    const int n = matrix.rowCount();
    if (matrix.columnCount() != n)
        return false;
    const auto count = static_cast<std::size_t>(n);
    outStart_.assign(count + 1, 0);
    inStart_.assign(count + 1, 0);
    for (int a = 0; a < n; ++a) {
        const std::int8_t* cells = matrix.row(a);
        for (int b = 0; b < n; ++b) {
            if (cells[b] > 1)
                return false;
            if (cells[b] == 1) {
                ++outStart_[static_cast<std::size_t>(a) + 1];
                ++inStart_[static_cast<std::size_t>(b) + 1];
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        outStart_[i + 1] += outStart_[i];
        inStart_[i + 1] += inStart_[i];
    }
    outList_.assign(static_cast<std::size_t>(outStart_[count]), 0);
    inList_.assign(static_cast<std::size_t>(inStart_[count]), 0);
    std::vector<int> inFill(inStart_.begin(), inStart_.end() - 1);
    // Rows in ascending order fill both kinds of list in ascending order.
    int outFill = 0;
    for (int a = 0; a < n; ++a) {
        const std::int8_t* cells = matrix.row(a);
        for (int b = 0; b < n; ++b) {
            if (cells[b] != 1)
                continue;
            outList_[static_cast<std::size_t>(outFill++)] = b;
            inList_[static_cast<std::size_t>(inFill[static_cast<std::size_t>(b)]++)] = a;
        }
    }
    return true;
}

} // namespace velmor
