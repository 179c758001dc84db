#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace velmor {

// Two-dimensional matrix of small signed cells, addressed column first.
// Like IntArray, its size is told by the last valid column and row (-1 when
// empty), reads outside give 0 and writes outside are refused.
//
// Rows are separate buffers, so changing only the number of rows moves row
// buffers without copying cells; the reader and the algorithms grow matrices
// one row at a time.
template <typename Cell>
class CellMatrix {
public:
    CellMatrix() = default;
    CellMatrix(const CellMatrix&) = delete;
    CellMatrix& operator=(const CellMatrix&) = delete;
    CellMatrix(CellMatrix&&) noexcept = default;
    CellMatrix& operator=(CellMatrix&&) noexcept = default;

    bool allocate(int columns, int rows);
    bool resize(int columns, int rows);
    bool copyTo(CellMatrix& target) const;
    bool removeRowAndColumn(int k);
    bool set(int column, int row, Cell value);
    int get(int column, int row) const;
    void clear();

    int lastColumn() const { return lastColumn_; }
    int lastRow() const { return lastRow_; }
    int columnCount() const { return lastColumn_ + 1; }
    int rowCount() const { return lastRow_ + 1; }
    bool empty() const { return lastRow_ < 0 || lastColumn_ < 0; }

    // The memory figure the algorithms account with; a formula on the last
    // indices, not the bytes really held.
    std::int64_t byteSize() const
    {
        if (lastRow_ < 0)
            return 0;
        std::int64_t value = (std::int64_t(lastColumn_) + 4) * lastRow_ + 4;
        return value < 0 ? 0 : value;
    }

    // Unchecked row access for inner loops that already know the bounds.
    Cell* row(int r) { return rows_[static_cast<std::size_t>(r)].get(); }
    const Cell* row(int r) const { return rows_[static_cast<std::size_t>(r)].get(); }

private:
    using RowBuffer = std::unique_ptr<Cell[]>;

    static RowBuffer zeroRow(int columns)
    {
        RowBuffer buffer(new Cell[static_cast<std::size_t>(columns)]);
        std::memset(buffer.get(), 0, sizeof(Cell) * static_cast<std::size_t>(columns));
        return buffer;
    }
    void adopt(std::vector<RowBuffer>&& rows, int columns)
    {
        rows_ = std::move(rows);
        lastColumn_ = rows_.empty() ? -1 : columns - 1;
        lastRow_ = rows_.empty() || columns == 0 ? -1 : static_cast<int>(rows_.size()) - 1;
        if (lastRow_ < 0) {
            rows_.clear();
            lastColumn_ = -1;
        }
    }

    std::vector<RowBuffer> rows_;
    int lastColumn_ = -1;
    int lastRow_ = -1;
};

template <typename Cell>
bool CellMatrix<Cell>::allocate(int columns, int rows)
{
    if (columns < 0 || rows < 0)
        return false;
    try {
        std::vector<RowBuffer> fresh;
        if (columns > 0) {
            fresh.reserve(static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r)
                fresh.push_back(zeroRow(columns));
        }
        adopt(std::move(fresh), columns);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Cell>
bool CellMatrix<Cell>::resize(int columns, int rows)
{
    if (columns < 1 || rows < 1)
        return false;
    try {
        if (columns == columnCount()) {
            if (rows == rowCount())
                return true;
            const std::size_t present = rows_.size();
            if (rows < rowCount()) {
                rows_.resize(static_cast<std::size_t>(rows));
            } else {
                // push_back grows the row array geometrically, so appending
                // one row at a time stays cheap.
                try {
                    for (int r = rowCount(); r < rows; ++r)
                        rows_.push_back(zeroRow(columns));
                } catch (const std::bad_alloc&) {
                    rows_.resize(present);
                    throw;
                }
            }
            lastRow_ = rows - 1;
            return true;
        }
        std::vector<RowBuffer> fresh;
        fresh.reserve(static_cast<std::size_t>(rows));
        const int keptRows = std::min(rows, rowCount());
        const int keptColumns = std::min(columns, columnCount());
        for (int r = 0; r < rows; ++r) {
            fresh.push_back(zeroRow(columns));
            if (r < keptRows && keptColumns > 0)
                std::memcpy(fresh.back().get(), row(r), sizeof(Cell) * static_cast<std::size_t>(keptColumns));
        }
        adopt(std::move(fresh), columns);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Cell>
bool CellMatrix<Cell>::copyTo(CellMatrix& target) const
{
    if (&target == this)
        return true;
    if (target.lastColumn_ != lastColumn_ || target.lastRow_ != lastRow_) {
        const bool ok = target.empty() ? target.allocate(columnCount(), rowCount())
                                       : target.resize(columnCount(), rowCount());
        if (!ok)
            return false;
    }
    for (int r = 0; r <= lastRow_; ++r)
        std::memcpy(target.row(r), row(r), sizeof(Cell) * static_cast<std::size_t>(columnCount()));
    return true;
}

template <typename Cell>
bool CellMatrix<Cell>::removeRowAndColumn(int k)
{
    if (empty() || k < 0 || k > lastColumn_ || k > lastRow_)
        return false;
    try {
        const int columns = lastColumn_;
        std::vector<RowBuffer> fresh;
        if (columns > 0) {
            fresh.reserve(static_cast<std::size_t>(lastRow_));
            for (int r = 0; r <= lastRow_; ++r) {
                if (r == k)
                    continue;
                RowBuffer buffer(new Cell[static_cast<std::size_t>(columns)]);
                const Cell* old = row(r);
                std::memcpy(buffer.get(), old, sizeof(Cell) * static_cast<std::size_t>(k));
                std::memcpy(buffer.get() + k, old + k + 1, sizeof(Cell) * static_cast<std::size_t>(columns - k));
                fresh.push_back(std::move(buffer));
            }
        }
        adopt(std::move(fresh), columns);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Cell>
bool CellMatrix<Cell>::set(int column, int row, Cell value)
{
    if (column < 0 || row < 0 || column > lastColumn_ || row > lastRow_)
        return false;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = value;
    return true;
}

template <typename Cell>
int CellMatrix<Cell>::get(int column, int row) const
{
    if (column < 0 || row < 0 || column > lastColumn_ || row > lastRow_)
        return 0;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

template <typename Cell>
void CellMatrix<Cell>::clear()
{
    std::vector<RowBuffer>().swap(rows_);
    lastColumn_ = -1;
    lastRow_ = -1;
}

// Incidence matrices, working copies and term rows hold -2..2.
using ByteMatrix = CellMatrix<std::int8_t>;
// Cells that hold element indices, counts or decision numbers; 32 bits wide so
// that structures of any size keep them exact.
using WideMatrix = CellMatrix<std::int32_t>;

} // namespace velmor
