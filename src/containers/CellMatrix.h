#pragma once

#include "platform/ZeroedWords.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace velmor {

// Two-dimensional matrix of small signed cells, addressed column first.
// Like IntArray, its size is told by the last valid column and row (-1 when
// empty), reads outside give 0 and writes outside are refused.
//
// Rows live in blocks of many rows each, so a matrix that grows one row at a
// time (the reader, the term matrices of the algorithms) allocates only when
// a block fills, the blocks growing with the matrix. A row never moves once
// written: another thread may read published rows while rows are appended,
// provided that the vector of row pointers is not reallocated under it (the
// writers change the row count under their feed's lock).
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
    // Appends `count` rows like resize would, but leaves their cells as the
    // memory holds them: for a writer that writes every cell of the new rows
    // before anyone reads them. Refused on a matrix without columns.
    bool appendRowsUncleared(int count);
    bool copyTo(CellMatrix& target) const;
    // Makes `target` hold the same rows as this matrix without copying them,
    // for handing over a finished result. Both keep the rows alive until
    // cleared or reallocated and never reuse them for other rows, but a cell
    // written through either shows in both: neither may change its present
    // rows while the other is read.
    bool shareRowsWith(CellMatrix& target);
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
    Cell* row(int r) { return storage_.rows[static_cast<std::size_t>(r)]; }
    const Cell* row(int r) const { return storage_.rows[static_cast<std::size_t>(r)]; }

private:
    // Storage of one shape: the blocks, the rows handed out, and rows given
    // back by shrinking, which growing takes again before a new block.
    struct Storage {
        std::vector<std::shared_ptr<Cell[]>> blocks;
        std::vector<Cell*> rows;
        std::vector<Cell*> spare; // the next one to take at the back
        bool shared = false;      // rows also held by another matrix: never reused
        std::size_t blockRowsLeft = 0;
        Cell* nextFree = nullptr; // in the newest block, still zero

        // Makes room for `more` rows of `columns` cells, so that appending
        // them cannot fail; a new block holds at least as many rows as there
        // are, and the row pointers grow geometrically too. Blocks come zeroed
        // from the system, large ones in huge pages, so that a row handed out
        // from a new block needs no clearing and the pages of rows that are
        // never written are never touched: a structure of tens of thousands
        // of elements has matrices of hundreds of megabytes that are almost
        // all zero, and faulting them in page by page cost seconds.
        void reserve(int columns, std::size_t more)
        {
            const std::size_t needed = rows.size() + more;
            if (needed > rows.capacity())
                rows.reserve(std::max(needed, 2 * rows.capacity()));
            const std::size_t wanted = more > spare.size() ? more - spare.size() : 0;
            if (wanted <= blockRowsLeft)
                return;
            const std::size_t blockRows = std::max(wanted, rows.size());
            const std::size_t bytes = blockRows * static_cast<std::size_t>(columns) * sizeof(Cell);
            auto words = std::make_shared<ZeroedWords>();
            if (!words->allocate((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t)))
                throw std::bad_alloc();
            std::shared_ptr<Cell[]> block(words, reinterpret_cast<Cell*>(words->data()));
            nextFree = block.get();
            blockRowsLeft = blockRows;
            blocks.push_back(std::move(block));
        }
        // Appends a row whose cells the caller writes at once; room must have
        // been reserved.
        Cell* appendUncleared(int columns)
        {
            Cell* cells;
            if (!spare.empty()) {
                cells = spare.back();
                spare.pop_back();
            } else {
                cells = nextFree;
                nextFree += columns;
                --blockRowsLeft;
            }
            rows.push_back(cells);
            return cells;
        }
        Cell* append(int columns)
        {
            const bool reused = !spare.empty();
            Cell* cells = appendUncleared(columns);
            if (reused)
                std::memset(cells, 0, sizeof(Cell) * static_cast<std::size_t>(columns));
            return cells;
        }
    };

    static Storage zeroRows(int columns, int rows)
    {
        Storage fresh;
        if (columns > 0 && rows > 0) {
            fresh.reserve(columns, static_cast<std::size_t>(rows));
            for (int r = 0; r < rows; ++r)
                fresh.append(columns);
        }
        return fresh;
    }
    void adopt(Storage&& fresh, int columns)
    {
        storage_ = std::move(fresh);
        const std::vector<Cell*>& rows = storage_.rows;
        lastColumn_ = rows.empty() ? -1 : columns - 1;
        lastRow_ = rows.empty() || columns == 0 ? -1 : static_cast<int>(rows.size()) - 1;
        if (lastRow_ < 0) {
            storage_ = Storage{};
            lastColumn_ = -1;
        }
    }

    Storage storage_;
    int lastColumn_ = -1;
    int lastRow_ = -1;
};

template <typename Cell>
bool CellMatrix<Cell>::allocate(int columns, int rows)
{
    if (columns < 0 || rows < 0)
        return false;
    try {
        adopt(zeroRows(columns, rows), columns);
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
            std::vector<Cell*>& present = storage_.rows;
            if (rows < rowCount()) {
                // The rows given back are taken again, in order, on growing.
                if (!storage_.shared)
                    for (std::size_t r = present.size(); r > static_cast<std::size_t>(rows); --r)
                        storage_.spare.push_back(present[r - 1]);
                present.resize(static_cast<std::size_t>(rows));
            } else {
                storage_.reserve(columns, static_cast<std::size_t>(rows - rowCount()));
                for (int r = rowCount(); r < rows; ++r)
                    storage_.append(columns);
            }
            lastRow_ = rows - 1;
            return true;
        }
        Storage fresh = zeroRows(columns, rows);
        const int keptRows = std::min(rows, rowCount());
        const int keptColumns = std::min(columns, columnCount());
        if (keptColumns > 0)
            for (int r = 0; r < keptRows; ++r)
                std::memcpy(fresh.rows[static_cast<std::size_t>(r)], row(r),
                            sizeof(Cell) * static_cast<std::size_t>(keptColumns));
        adopt(std::move(fresh), columns);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Cell>
bool CellMatrix<Cell>::appendRowsUncleared(int count)
{
    if (count < 0 || empty() || count > std::numeric_limits<int>::max() - rowCount())
        return false;
    try {
        const int columns = columnCount();
        storage_.reserve(columns, static_cast<std::size_t>(count));
        for (int r = 0; r < count; ++r)
            storage_.appendUncleared(columns);
        lastRow_ += count;
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
    const auto width = sizeof(Cell) * static_cast<std::size_t>(columnCount());
    if ((target.empty() || target.storage_.shared) && !empty()) {
        // A fresh copy: every row is written whole, so none is cleared first.
        // Rows shared with another matrix are left to it, not overwritten.
        try {
            Storage fresh;
            fresh.reserve(columnCount(), static_cast<std::size_t>(rowCount()));
            for (int r = 0; r <= lastRow_; ++r)
                std::memcpy(fresh.appendUncleared(columnCount()), row(r), width);
            target.adopt(std::move(fresh), columnCount());
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    if (target.lastColumn_ != lastColumn_ || target.lastRow_ != lastRow_) {
        const bool ok = target.empty() ? target.allocate(columnCount(), rowCount())
                                       : target.resize(columnCount(), rowCount());
        if (!ok)
            return false;
    }
    for (int r = 0; r <= lastRow_; ++r)
        std::memcpy(target.row(r), row(r), width);
    return true;
}

template <typename Cell>
bool CellMatrix<Cell>::shareRowsWith(CellMatrix& target)
{
    if (&target == this)
        return true;
    if (empty()) {
        target.clear();
        return true;
    }
    try {
        Storage view;
        view.blocks = storage_.blocks;
        view.rows = storage_.rows;
        view.shared = true;
        storage_.shared = true;
        target.adopt(std::move(view), columnCount());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Cell>
bool CellMatrix<Cell>::removeRowAndColumn(int k)
{
    if (empty() || k < 0 || k > lastColumn_ || k > lastRow_)
        return false;
    try {
        const int columns = lastColumn_;
        Storage fresh;
        if (columns > 0) {
            fresh.reserve(columns, static_cast<std::size_t>(lastRow_));
            for (int r = 0; r <= lastRow_; ++r) {
                if (r == k)
                    continue;
                Cell* cells = fresh.appendUncleared(columns); // written whole below
                const Cell* old = row(r);
                std::memcpy(cells, old, sizeof(Cell) * static_cast<std::size_t>(k));
                std::memcpy(cells + k, old + k + 1, sizeof(Cell) * static_cast<std::size_t>(columns - k));
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
    storage_.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = value;
    return true;
}

template <typename Cell>
int CellMatrix<Cell>::get(int column, int row) const
{
    if (column < 0 || row < 0 || column > lastColumn_ || row > lastRow_)
        return 0;
    return storage_.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

template <typename Cell>
void CellMatrix<Cell>::clear()
{
    storage_ = Storage{};
    lastColumn_ = -1;
    lastRow_ = -1;
}

// Incidence matrices, working copies and term rows hold -2..2.
using ByteMatrix = CellMatrix<std::int8_t>;
// Cells that hold element indices, counts or decision numbers; 32 bits wide so
// that structures of any size keep them exact.
using WideMatrix = CellMatrix<std::int32_t>;

} // namespace velmor
