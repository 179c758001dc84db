#pragma once

#include "containers/ChunkedVector.h"
#include "containers/LinkArray.h"

#include <cstdint>
#include <vector>

namespace velmor {

// Rows of 32-bit cells that grow as a tree: every row after the first is
// appended as a child of an earlier row, starts with its parent's cells and
// changes a few of them. Only the changes are kept (column and value, each
// in the narrowest width that holds it), so a row costs what it changes,
// not its width. Reading a cell walks from the row towards the first row to
// the nearest row that set it.
//
// Sizes and reads follow ByteMatrix (last column and row, -1 when empty;
// reads outside give 0), and so does the memory figure. Only the last row
// takes writes: a row is complete once the next one is appended.
class DeltaRows {
public:
    // `rows` rows of zeros, each a first row of its own (no parent).
    bool allocate(int columns, int rows);
    // Appends a child of `parent` with the parent's cells; its row, or -1
    // when the parent does not exist.
    int appendChild(int parent);
    // Appends a child of `parent` holding `cells` (columnCount() of them):
    // the cells that differ from the parent's are kept. Its row, or -1.
    int appendRow(int parent, const std::int32_t* cells);
    // Writes a cell of the last row; false outside the matrix or for an
    // earlier row.
    bool set(int column, int row, std::int32_t value);
    std::int32_t get(int column, int row) const;
    // A whole row, columnCount() cells.
    void readRow(int row, std::int32_t* cells) const;
    void clear();

    int lastColumn() const { return columns_ - 1; }
    int lastRow() const { return rows_ - 1; }
    int columnCount() const { return columns_; }
    int rowCount() const { return rows_; }
    bool empty() const { return rows_ == 0 || columns_ == 0; }

    // The memory figure: that of a matrix of this shape with a cell per
    // byte, as the algorithms account it.
    std::int64_t byteSize() const
    {
        if (rows_ == 0)
            return 0;
        const std::int64_t value = (std::int64_t(columns_) - 1 + 4) * (rows_ - 1) + 4;
        return value < 0 ? 0 : value;
    }
    // The bytes the rows really take.
    std::int64_t heldBytes() const;

private:
    static constexpr int kBlockShift = 6; // rows per block of the change offsets: 64

    static int widthFor(std::uint64_t largest)
    {
        return largest <= 0xFF ? 1 : largest <= 0xFFFF ? 2 : 4;
    }
    static std::uint32_t readWidth(const ChunkedVector<std::uint8_t>& bytes, std::size_t at, int width);
    static void pushWidth(ChunkedVector<std::uint8_t>& bytes, std::uint32_t value, int width);
    static void writeWidth(ChunkedVector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width);

    std::uint32_t changeCount(int row) const { return readWidth(counts_, static_cast<std::size_t>(row) * countWidth_, countWidth_); }
    void setChangeCount(int row, std::uint32_t count)
    {
        writeWidth(counts_, static_cast<std::size_t>(row) * countWidth_, count, countWidth_);
    }
    // Index of the row's first change.
    std::uint64_t firstChange(int row) const;
    int changeColumn(std::uint64_t change) const
    {
        return static_cast<int>(readWidth(changes_, change * changeBytes(), columnWidth_));
    }
    std::int32_t changeValue(std::uint64_t change) const
    {
        return static_cast<std::int32_t>(readWidth(changes_, change * changeBytes() + columnWidth_, valueWidth_));
    }
    std::size_t changeBytes() const { return static_cast<std::size_t>(columnWidth_ + valueWidth_); }
    bool isFirstRow(int row) const { return parents_.get(row) == row; }
    // Rewrites the changes with values `width` bytes wide.
    void widenValues(int width);
    bool appendRowOf(int parent);

    int columns_ = 0;
    int rows_ = 0;
    int columnWidth_ = 1;
    int valueWidth_ = 1;
    int countWidth_ = 1;
    LinkArray parents_;                  // a first row is its own parent
    ChunkedVector<std::uint8_t> counts_; // changes per row
    ChunkedVector<std::uint64_t> blockStarts_; // first change of every 64th row
    ChunkedVector<std::uint8_t> changes_;
    std::uint64_t changeTotal_ = 0;
    std::uint64_t lastFirstChange_ = 0; // the last row's first change
    // Per column, 1 + the place of its change among the last row's, or 0:
    // a row that changes every cell of a long path must not search its
    // changes on every write. Only the columns listed are ever non-zero.
    std::vector<std::uint32_t> lastRowChange_;
    std::vector<int> lastRowColumns_;
};

} // namespace velmor
