#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace velmor {

// Cells of term rows and solution-tree rows: -2..1, two bits each, four to a
// byte (cell c in bits 2(c % 4) and 2(c % 4) + 1 of byte c / 4). The codes
// keep "works" in the low bit and "fails" in the high one, so that a word of
// a row tells both sets with two masks.
namespace termcells {

constexpr unsigned kZero = 0b00;
constexpr unsigned kWorks = 0b01;  // 1
constexpr unsigned kFails = 0b10;  // -1
constexpr unsigned kMinusTwo = 0b11; // -2, a row state only

constexpr bool holds(int value) { return value >= -2 && value <= 1; }
constexpr unsigned encode(int value)
{
    return value == 1 ? kWorks : value == -1 ? kFails : value == -2 ? kMinusTwo : kZero;
}
constexpr int decode(unsigned code)
{
    return code == kWorks ? 1 : code == kFails ? -1 : code == kMinusTwo ? -2 : 0;
}
constexpr int bytesFor(int columns) { return (columns + 3) / 4; }

inline unsigned codeAt(const std::uint8_t* row, int c)
{
    return (row[c >> 2] >> ((c & 3) * 2)) & 3u;
}
inline int cellAt(const std::uint8_t* row, int c) { return decode(codeAt(row, c)); }
inline void putCode(std::uint8_t* row, int c, unsigned code)
{
    const int shift = (c & 3) * 2;
    std::uint8_t& byte = row[c >> 2];
    byte = static_cast<std::uint8_t>((byte & ~(3u << shift)) | (code << shift));
}
inline void putCell(std::uint8_t* row, int c, int value) { putCode(row, c, encode(value)); }
// Clears the cells from column c to the end of the byte that holds it.
inline void clearFrom(std::uint8_t* row, int c)
{
    std::uint8_t& byte = row[c >> 2];
    byte = static_cast<std::uint8_t>(byte & ((1u << ((c & 3) * 2)) - 1));
}

// Bit 2k of these masks stands for cell k of a 64-bit word (32 cells).
constexpr std::uint64_t kLowBits = 0x5555555555555555ULL;

// Loads bytes [8w, 8w + 8) of a row of `bytes` bytes as a little-endian word,
// never reading past the row (the next row may be being written).
inline std::uint64_t wordAt(const std::uint8_t* row, int bytes, int w)
{
    static_assert(std::endian::native == std::endian::little, "cells are read as little-endian words");
    const int from = 8 * w;
    std::uint64_t word = 0;
    std::memcpy(&word, row + from, bytes - from >= 8 ? 8 : static_cast<std::size_t>(bytes - from));
    return word;
}
constexpr int wordsFor(int bytes) { return (bytes + 7) / 8; }

// The low bit of every cell coded `code` in a word, the others clear.
constexpr std::uint64_t cellsCoded(std::uint64_t word, unsigned code)
{
    const std::uint64_t low = word & kLowBits;
    const std::uint64_t high = (word >> 1) & kLowBits;
    switch (code) {
    case kWorks: return low & ~high;
    case kFails: return high & ~low;
    case kMinusTwo: return low & high;
    default: return ~(low | high) & kLowBits;
    }
}
// The low bit of every cell that is not 0.
constexpr std::uint64_t cellsSet(std::uint64_t word) { return (word | (word >> 1)) & kLowBits; }

} // namespace termcells

// Rows of term cells (-2..1), addressed column first like ByteMatrix, with
// its size conventions (last column and last row, -1 when empty; reads
// outside give 0, writes outside are refused) and its memory figure. A row
// takes a quarter byte per cell instead of a byte and a row pointer.
//
// Rows live in chunks of a fixed number of rows, so a row never moves once
// written and finding it costs a shift: another thread may read published
// rows while rows are appended, provided that the chunk list does not grow
// under it (the writers change the row count under their feed's lock).
// Rows given back by shrinking are taken again, cleared, when growing.
class TermRows {
public:
    TermRows() = default;
    TermRows(const TermRows&) = delete;
    TermRows& operator=(const TermRows&) = delete;
    TermRows(TermRows&&) noexcept = default;
    TermRows& operator=(TermRows&&) noexcept = default;

    bool allocate(int columns, int rows);
    bool resize(int columns, int rows);
    // Appends `count` rows without clearing them, for a writer that writes
    // every byte of them before anyone reads them. Refused without columns.
    bool appendRowsUncleared(int count);
    bool copyTo(TermRows& target) const;
    // Makes `target` hold the same rows as this matrix without copying them.
    // Whichever of the two changes its rows afterwards first takes a copy of
    // its own, so a change never shows in the other.
    bool shareRowsWith(TermRows& target);
    // Values outside -2..1 are refused like cells outside the matrix.
    bool set(int column, int row, int value);
    int get(int column, int row) const;
    void clear();

    int lastColumn() const { return lastColumn_; }
    int lastRow() const { return lastRow_; }
    int columnCount() const { return lastColumn_ + 1; }
    int rowCount() const { return lastRow_ + 1; }
    bool empty() const { return lastRow_ < 0 || lastColumn_ < 0; }

    // The memory figure the algorithms account with: that of a byte matrix
    // of the same shape, not the bytes really held.
    std::int64_t byteSize() const
    {
        if (lastRow_ < 0)
            return 0;
        std::int64_t value = (std::int64_t(lastColumn_) + 4) * lastRow_ + 4;
        return value < 0 ? 0 : value;
    }
    // The bytes the rows really take.
    std::int64_t heldBytes() const;

    // A row's packed cells (rowBytes() of them), unchecked. Writing through
    // row() is for a matrix that shares no rows.
    int rowBytes() const { return rowBytes_; }
    std::uint8_t* row(int r)
    {
        return chunks_[static_cast<std::size_t>(r) >> shift_].get()
               + (static_cast<std::size_t>(r) & mask_) * static_cast<std::size_t>(rowBytes_);
    }
    const std::uint8_t* row(int r) const
    {
        return chunks_[static_cast<std::size_t>(r) >> shift_].get()
               + (static_cast<std::size_t>(r) & mask_) * static_cast<std::size_t>(rowBytes_);
    }
    // A whole row as one cell per byte, and back (cells outside -2..1 are
    // stored as 0).
    void readRow(int r, std::int8_t* cells) const;
    void writeRow(int r, const std::int8_t* cells);

private:
    void shapeFor(int columns);
    // Room for rows up to `rows`; chunks are allocated but not cleared.
    void reserveRows(int rows);
    void clearRows(int from, int to);
    // A copy of its own before rows shared with another matrix change.
    void unshare();

    std::vector<std::shared_ptr<std::uint8_t[]>> chunks_;
    bool shared_ = false;
    int lastColumn_ = -1;
    int lastRow_ = -1;
    int rowBytes_ = 0;
    int shift_ = 0;
    std::size_t mask_ = 0;
};

} // namespace velmor
