#include "containers/TermRows.h"

#include <algorithm>
#include <limits>
#include <new>

namespace velmor {

namespace {

// About this many bytes per chunk: large enough that the chunk list stays
// short for hundreds of millions of rows, small enough for a matrix of a few
// rows not to matter.
constexpr std::size_t kChunkBytes = std::size_t{1} << 17;
constexpr int kLeastChunkShift = 4;

} // namespace

void TermRows::shapeFor(int columns)
{
    rowBytes_ = termcells::bytesFor(columns);
    int shift = kLeastChunkShift;
    while ((std::size_t{2} << shift) * static_cast<std::size_t>(rowBytes_) <= kChunkBytes)
        ++shift;
    shift_ = shift;
    mask_ = (std::size_t{1} << shift) - 1;
}

void TermRows::reserveRows(int rows)
{
    const std::size_t needed = (static_cast<std::size_t>(rows) + mask_) >> shift_;
    const std::size_t chunkBytes = (mask_ + 1) * static_cast<std::size_t>(rowBytes_);
    if (needed > chunks_.capacity())
        chunks_.reserve(std::max(needed, 2 * chunks_.capacity()));
    while (chunks_.size() < needed)
        chunks_.emplace_back(new std::uint8_t[chunkBytes]);
}

void TermRows::clearRows(int from, int to)
{
    for (int r = from; r < to;) {
        // The rows from r to the end of its chunk lie back to back.
        const int inChunk = std::min(to - r, static_cast<int>(mask_ + 1 - (static_cast<std::size_t>(r) & mask_)));
        std::memset(row(r), 0, static_cast<std::size_t>(inChunk) * static_cast<std::size_t>(rowBytes_));
        r += inChunk;
    }
}

void TermRows::unshare()
{
    if (!shared_)
        return;
    if (chunks_.empty() || chunks_.front().use_count() == 1) {
        shared_ = false; // the other matrix has let go
        return;
    }
    const std::size_t chunkBytes = (mask_ + 1) * static_cast<std::size_t>(rowBytes_);
    std::vector<std::shared_ptr<std::uint8_t[]>> own;
    own.reserve(chunks_.size());
    for (std::size_t k = 0; k < chunks_.size(); ++k) {
        own.emplace_back(new std::uint8_t[chunkBytes]);
        const std::size_t first = k << shift_;
        const std::size_t rows = std::min(mask_ + 1, static_cast<std::size_t>(rowCount()) - std::min(first, static_cast<std::size_t>(rowCount())));
        std::memcpy(own.back().get(), chunks_[k].get(), rows * static_cast<std::size_t>(rowBytes_));
    }
    chunks_ = std::move(own);
    shared_ = false;
}

bool TermRows::allocate(int columns, int rows)
{
    if (columns < 0 || rows < 0)
        return false;
    clear();
    if (columns == 0 || rows == 0)
        return true;
    try {
        shapeFor(columns);
        reserveRows(rows);
        lastColumn_ = columns - 1;
        lastRow_ = rows - 1;
        clearRows(0, rows);
        return true;
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
}

bool TermRows::resize(int columns, int rows)
{
    if (columns < 1 || rows < 1)
        return false;
    try {
        if (columns == columnCount()) {
            if (rows == rowCount())
                return true;
            if (rows < rowCount()) {
                unshare(); // the rows given back are written again on growing
                lastRow_ = rows - 1;
                return true;
            }
            unshare();
            reserveRows(rows);
            const int first = rowCount();
            lastRow_ = rows - 1;
            clearRows(first, rows);
            return true;
        }
        TermRows fresh;
        if (!fresh.allocate(columns, rows))
            return false;
        const int keptRows = std::min(rows, rowCount());
        const int keptColumns = std::min(columns, columnCount());
        for (int r = 0; r < keptRows; ++r) {
            const std::uint8_t* from = row(r);
            std::uint8_t* to = fresh.row(r);
            for (int c = 0; c < keptColumns; ++c)
                termcells::putCode(to, c, termcells::codeAt(from, c));
        }
        *this = std::move(fresh);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TermRows::appendRowsUncleared(int count)
{
    // Row numbers are ints: a tree that would pass them has run out of
    // room as surely as one that has filled the memory.
    if (count < 0 || empty() || count > std::numeric_limits<int>::max() - rowCount())
        return false;
    try {
        unshare();
        reserveRows(rowCount() + count);
        lastRow_ += count;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TermRows::copyTo(TermRows& target) const
{
    if (&target == this)
        return true;
    if (target.lastColumn_ != lastColumn_ || target.lastRow_ != lastRow_) {
        const bool ok = target.empty() ? target.allocate(columnCount(), rowCount())
                                       : target.resize(columnCount(), rowCount());
        if (!ok)
            return false;
    }
    if (empty())
        return true;
    try {
        target.unshare();
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int r = 0; r <= lastRow_;) {
        const int inChunk =
            std::min(rowCount() - r, static_cast<int>(mask_ + 1 - (static_cast<std::size_t>(r) & mask_)));
        // Both have the same shape, so the same chunking.
        std::memcpy(target.row(r), row(r), static_cast<std::size_t>(inChunk) * static_cast<std::size_t>(rowBytes_));
        r += inChunk;
    }
    return true;
}

bool TermRows::shareRowsWith(TermRows& target)
{
    if (&target == this)
        return true;
    if (empty()) {
        target.clear();
        return true;
    }
    try {
        target.clear();
        target.chunks_ = chunks_;
    } catch (const std::bad_alloc&) {
        target.clear();
        return false;
    }
    target.lastColumn_ = lastColumn_;
    target.lastRow_ = lastRow_;
    target.rowBytes_ = rowBytes_;
    target.shift_ = shift_;
    target.mask_ = mask_;
    target.shared_ = true;
    shared_ = true;
    return true;
}

bool TermRows::set(int column, int row, int value)
{
    if (column < 0 || row < 0 || column > lastColumn_ || row > lastRow_ || !termcells::holds(value))
        return false;
    try {
        unshare();
    } catch (const std::bad_alloc&) {
        return false;
    }
    termcells::putCell(this->row(row), column, value);
    return true;
}

int TermRows::get(int column, int row) const
{
    if (column < 0 || row < 0 || column > lastColumn_ || row > lastRow_)
        return 0;
    return termcells::cellAt(this->row(row), column);
}

void TermRows::clear()
{
    chunks_.clear();
    chunks_.shrink_to_fit();
    shared_ = false;
    lastColumn_ = -1;
    lastRow_ = -1;
    rowBytes_ = 0;
    shift_ = 0;
    mask_ = 0;
}

std::int64_t TermRows::heldBytes() const
{
    return static_cast<std::int64_t>(chunks_.size() * (mask_ + 1) * static_cast<std::size_t>(rowBytes_));
}

void TermRows::readRow(int r, std::int8_t* cells) const
{
    const std::uint8_t* packed = row(r);
    for (int c = 0; c <= lastColumn_; ++c)
        cells[c] = static_cast<std::int8_t>(termcells::cellAt(packed, c));
}

void TermRows::writeRow(int r, const std::int8_t* cells)
{
    unshare();
    std::uint8_t* packed = row(r);
    std::memset(packed, 0, static_cast<std::size_t>(rowBytes_));
    for (int c = 0; c <= lastColumn_; ++c)
        termcells::putCell(packed, c, cells[c]);
}

} // namespace velmor
