#include "containers/DeltaRows.h"

#include <algorithm>
#include <cstring>

namespace velmor {

namespace {

// Bytes a value needs: 1 or 2 for small non-negative values, else all 4.
int valueWidthFor(std::int32_t value)
{
    if (value < 0)
        return 4;
    return value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : 4;
}

} // namespace

std::uint32_t DeltaRows::readWidth(const ChunkedVector<std::uint8_t>& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

void DeltaRows::pushWidth(ChunkedVector<std::uint8_t>& bytes, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i, value >>= 8)
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void DeltaRows::writeWidth(ChunkedVector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i, value >>= 8)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0xFF);
}

bool DeltaRows::allocate(int columns, int rows)
{
    if (columns < 0 || rows < 0)
        return false;
    clear();
    if (columns == 0 || rows == 0)
        return true;
    columns_ = columns;
    columnWidth_ = widthFor(static_cast<std::uint64_t>(columns - 1));
    countWidth_ = widthFor(static_cast<std::uint64_t>(columns));
    valueWidth_ = 1;
    lastRowChange_.assign(static_cast<std::size_t>(columns), 0);
    for (int r = 0; r < rows; ++r)
        appendRowOf(r);
    return true;
}

bool DeltaRows::appendRowOf(int parent)
{
    if ((static_cast<std::size_t>(rows_) & ((std::size_t{1} << kBlockShift) - 1)) == 0)
        blockStarts_.push_back(changeTotal_);
    parents_.append(parent);
    pushWidth(counts_, 0, countWidth_);
    lastFirstChange_ = changeTotal_;
    for (int column : lastRowColumns_)
        lastRowChange_[static_cast<std::size_t>(column)] = 0;
    lastRowColumns_.clear();
    ++rows_;
    return true;
}

int DeltaRows::appendChild(int parent)
{
    if (parent < 0 || parent >= rows_ || empty())
        return -1;
    appendRowOf(parent);
    return rows_ - 1;
}

int DeltaRows::appendRow(int parent, const std::int32_t* cells)
{
    if (parent < 0 || parent >= rows_ || empty())
        return -1;
    std::vector<std::int32_t> from(static_cast<std::size_t>(columns_));
    readRow(parent, from.data());
    const int row = appendChild(parent);
    for (int c = 0; c < columns_; ++c)
        if (cells[c] != from[static_cast<std::size_t>(c)])
            set(c, row, cells[c]);
    return row;
}

std::uint64_t DeltaRows::firstChange(int row) const
{
    if (row == rows_ - 1)
        return lastFirstChange_;
    const std::size_t block = static_cast<std::size_t>(row) >> kBlockShift;
    std::uint64_t first = blockStarts_[block];
    for (int q = static_cast<int>(block << kBlockShift); q < row; ++q)
        first += changeCount(q);
    return first;
}

void DeltaRows::widenValues(int width)
{
    ChunkedVector<std::uint8_t> wider;
    for (std::uint64_t k = 0; k < changeTotal_; ++k) {
        pushWidth(wider, static_cast<std::uint32_t>(changeColumn(k)), columnWidth_);
        pushWidth(wider, static_cast<std::uint32_t>(changeValue(k)), width);
    }
    changes_ = std::move(wider);
    valueWidth_ = width;
}

bool DeltaRows::set(int column, int row, std::int32_t value)
{
    if (column < 0 || column >= columns_ || row != rows_ - 1 || rows_ == 0)
        return false;
    if (valueWidthFor(value) > valueWidth_)
        widenValues(valueWidthFor(value));
    const std::uint32_t count = changeCount(row);
    std::uint32_t& place = lastRowChange_[static_cast<std::size_t>(column)];
    if (place != 0) {
        const std::uint64_t change = lastFirstChange_ + place - 1;
        writeWidth(changes_, change * changeBytes() + static_cast<std::size_t>(columnWidth_),
                   static_cast<std::uint32_t>(value), valueWidth_);
        return true;
    }
    pushWidth(changes_, static_cast<std::uint32_t>(column), columnWidth_);
    pushWidth(changes_, static_cast<std::uint32_t>(value), valueWidth_);
    ++changeTotal_;
    setChangeCount(row, count + 1);
    place = count + 1;
    lastRowColumns_.push_back(column);
    return true;
}

std::int32_t DeltaRows::get(int column, int row) const
{
    if (column < 0 || column >= columns_ || row < 0 || row >= rows_)
        return 0;
    for (int r = row;;) {
        const std::uint64_t first = firstChange(r);
        const std::uint32_t count = changeCount(r);
        for (std::uint32_t i = 0; i < count; ++i)
            if (changeColumn(first + i) == column)
                return changeValue(first + i);
        if (isFirstRow(r))
            return 0;
        r = parents_.get(r);
    }
}

void DeltaRows::readRow(int row, std::int32_t* cells) const
{
    std::fill(cells, cells + columns_, 0);
    if (row < 0 || row >= rows_)
        return;
    std::vector<int> chain;
    for (int r = row;; r = parents_.get(r)) {
        chain.push_back(r);
        if (isFirstRow(r))
            break;
    }
    // From the first row down, so that a row's own changes come last.
    for (auto r = chain.rbegin(); r != chain.rend(); ++r) {
        const std::uint64_t first = firstChange(*r);
        const std::uint32_t count = changeCount(*r);
        for (std::uint32_t i = 0; i < count; ++i)
            cells[changeColumn(first + i)] = changeValue(first + i);
    }
}

void DeltaRows::clear()
{
    columns_ = 0;
    rows_ = 0;
    columnWidth_ = valueWidth_ = countWidth_ = 1;
    parents_.clear();
    counts_.clear();
    blockStarts_.clear();
    changes_.clear();
    changeTotal_ = 0;
    lastFirstChange_ = 0;
    lastRowChange_.clear();
    lastRowColumns_.clear();
}

std::int64_t DeltaRows::heldBytes() const
{
    return parents_.heldBytes()
           + static_cast<std::int64_t>(counts_.heldBytes() + blockStarts_.heldBytes() + changes_.heldBytes()
                                       + lastRowChange_.capacity() * sizeof(std::uint32_t)
                                       + lastRowColumns_.capacity() * sizeof(int));
}

} // namespace velmor
