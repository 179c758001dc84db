#include "containers/CellMatrix.h"
#include "containers/ElementList.h"
#include "containers/IntArray.h"
#include "containers/SampleLog.h"
#include "containers/StopwatchSet.h"
#include "containers/TermRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <vector>

using namespace velmor;

TEST(IntArray, EmptyReadsZeroAndRefusesWrites)
{
    IntArray a;
    EXPECT_EQ(a.lastIndex(), -1);
    EXPECT_EQ(a.get(0), 0);
    EXPECT_EQ(a.byteSize(), 0);
    EXPECT_FALSE(a.set(0, 5));
    EXPECT_FALSE(a.allocate(0));
    EXPECT_FALSE(a.resize(0));
    EXPECT_EQ(a.lastIndex(), -1);
}

TEST(IntArray, SetOutsideIsRefusedAndStoresNothing)
{
    IntArray a;
    ASSERT_TRUE(a.allocate(3));
    EXPECT_FALSE(a.set(3, 9));
    EXPECT_FALSE(a.set(-1, 9));
    EXPECT_EQ(a.get(3), 0);
    EXPECT_EQ(a.get(-1), 0);
    EXPECT_EQ(a.byteSize(), 12);
}

TEST(IntArray, ResizeKeepsPrefixAndZeroFills)
{
    IntArray a;
    ASSERT_TRUE(a.resize(2)); // empty: as allocate
    a.set(0, 7);
    a.set(1, 8);
    ASSERT_TRUE(a.resize(5));
    EXPECT_EQ(a.lastIndex(), 4);
    const int expected[] = {7, 8, 0, 0, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(a.get(i), expected[i]) << i;
    ASSERT_TRUE(a.resize(1));
    EXPECT_EQ(a.lastIndex(), 0);
    EXPECT_EQ(a.get(0), 7);
    EXPECT_FALSE(a.resize(-3));
    EXPECT_EQ(a.lastIndex(), 0);
    ASSERT_TRUE(a.allocate(2)); // discards previous contents
    EXPECT_EQ(a.get(0), 0);
    a.clear();
    EXPECT_EQ(a.lastIndex(), -1);
}

TEST(ByteMatrix, ResizeFromEmptyThenGrowKeepsCells)
{
    ByteMatrix m;
    ASSERT_TRUE(m.resize(3, 3));
    EXPECT_EQ(m.lastColumn(), 2);
    EXPECT_EQ(m.lastRow(), 2);
    int value = 1;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m.set(c, r, static_cast<std::int8_t>(value++));
    ASSERT_TRUE(m.resize(4, 4));
    value = 1;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(m.get(c, r), value++);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.get(3, i), 0);
        EXPECT_EQ(m.get(i, 3), 0);
    }
    EXPECT_FALSE(m.resize(0, 4));
    EXPECT_FALSE(m.resize(4, 0));
}

TEST(ByteMatrix, RowOnlyResizeMovesRowsAndShrinks)
{
    ByteMatrix m;
    ASSERT_TRUE(m.allocate(2, 2));
    m.set(1, 1, 5);
    ASSERT_TRUE(m.resize(2, 4));
    EXPECT_EQ(m.get(1, 1), 5);
    EXPECT_EQ(m.lastRow(), 3);
    ASSERT_TRUE(m.resize(2, 1));
    EXPECT_EQ(m.lastRow(), 0);
    EXPECT_EQ(m.get(1, 1), 0);
}

TEST(ByteMatrix, RemoveRowAndColumnKeepsOrientation)
{
    ByteMatrix m;
    ASSERT_TRUE(m.allocate(3, 3));
    m.set(2, 0, 1); // row 0, column 2
    m.set(0, 2, 1); // row 2, column 0
    ASSERT_TRUE(m.removeRowAndColumn(1));
    EXPECT_EQ(m.lastColumn(), 1);
    EXPECT_EQ(m.lastRow(), 1);
    EXPECT_EQ(m.get(1, 0), 1); // row 0, column 1
    EXPECT_EQ(m.get(0, 1), 1); // row 1, column 0
    EXPECT_EQ(m.get(0, 0), 0);
    EXPECT_EQ(m.get(1, 1), 0);
    EXPECT_FALSE(m.removeRowAndColumn(2));
    EXPECT_FALSE(m.removeRowAndColumn(-1));

    ByteMatrix single;
    ASSERT_TRUE(single.allocate(1, 1));
    ASSERT_TRUE(single.removeRowAndColumn(0));
    EXPECT_EQ(single.lastColumn(), -1);
    EXPECT_EQ(single.lastRow(), -1);
    EXPECT_FALSE(single.removeRowAndColumn(0));
}

TEST(ByteMatrix, RemoveRowAndColumnMatchesModel)
{
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        const int n = 1 + static_cast<int>(random() % 9);
        ByteMatrix m;
        ASSERT_TRUE(m.allocate(n, n));
        std::vector<std::vector<int>> model(n, std::vector<int>(n));
        for (int r = 0; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                model[r][c] = static_cast<int>(random() % 256) - 128;
                m.set(c, r, static_cast<std::int8_t>(model[r][c]));
            }
        const int k = static_cast<int>(random() % n);
        ASSERT_TRUE(m.removeRowAndColumn(k));
        model.erase(model.begin() + k);
        for (auto& row : model)
            row.erase(row.begin() + k);
        ASSERT_EQ(m.lastRow(), n - 2);
        for (int r = 0; r < n - 1; ++r)
            for (int c = 0; c < n - 1; ++c)
                ASSERT_EQ(m.get(c, r), model[r][c]);
    }
}

TEST(ByteMatrix, OutsideAccessAndSignedCells)
{
    ByteMatrix m;
    EXPECT_EQ(m.byteSize(), 0);
    EXPECT_EQ(m.get(0, 0), 0);
    ASSERT_TRUE(m.allocate(2, 2));
    EXPECT_EQ(m.get(-1, 0), 0);
    EXPECT_EQ(m.get(0, -1), 0);
    EXPECT_FALSE(m.set(-1, 0, 1));
    EXPECT_FALSE(m.set(0, 2, 1));
    ASSERT_TRUE(m.set(1, 1, -1));
    EXPECT_EQ(m.get(1, 1), -1);
    ASSERT_TRUE(m.set(0, 1, -128));
    EXPECT_EQ(m.get(0, 1), -128);
}

TEST(ByteMatrix, ByteSizeFormula)
{
    ByteMatrix m;
    ASSERT_TRUE(m.allocate(1, 1));
    EXPECT_EQ(m.byteSize(), 4);
    m.clear();
    ASSERT_TRUE(m.allocate(3, 3));
    EXPECT_EQ(m.byteSize(), 16);
    m.clear();
    ASSERT_TRUE(m.allocate(2, 5));
    EXPECT_EQ(m.byteSize(), 24);
    m.clear();
    EXPECT_EQ(m.byteSize(), 0);
    // Large matrices do not wrap at 32 bits.
    WideMatrix big;
    ASSERT_TRUE(big.allocate(1, 60000));
    EXPECT_EQ(big.byteSize(), (0 + 4) * 59999LL + 4);
}

TEST(ByteMatrix, AllocateEdgeCases)
{
    ByteMatrix m;
    EXPECT_FALSE(m.allocate(-1, 2));
    EXPECT_TRUE(m.allocate(0, 0));
    EXPECT_EQ(m.lastColumn(), -1);
    EXPECT_EQ(m.lastRow(), -1);
}

TEST(ByteMatrix, CopyTo)
{
    ByteMatrix source, target;
    EXPECT_TRUE(source.copyTo(target)); // empty onto empty
    ASSERT_TRUE(source.allocate(3, 2));
    source.set(2, 1, -1);
    ASSERT_TRUE(source.copyTo(target));
    EXPECT_EQ(target.lastColumn(), 2);
    EXPECT_EQ(target.lastRow(), 1);
    EXPECT_EQ(target.get(2, 1), -1);
    source.set(0, 0, 1);
    ASSERT_TRUE(source.copyTo(target)); // same shape: cells only
    EXPECT_EQ(target.get(0, 0), 1);
    ByteMatrix bigger;
    ASSERT_TRUE(bigger.allocate(5, 5));
    bigger.set(4, 4, 1);
    ASSERT_TRUE(source.copyTo(bigger)); // different shape: resized
    EXPECT_EQ(bigger.lastColumn(), 2);
    EXPECT_EQ(bigger.get(4, 4), 0);
    ByteMatrix empty;
    EXPECT_FALSE(empty.copyTo(target)); // empty onto non-empty
    EXPECT_EQ(target.lastColumn(), 2);
}

// Rows appended one at a time across many blocks, shrunk and grown again:
// the cells read back as a plain model says, new rows are zero.
TEST(ByteMatrix, RowByRowGrowthAndShrinkMatchModel)
{
    std::mt19937 random(11);
    ByteMatrix m;
    std::vector<std::vector<int>> model;
    const int columns = 5;
    for (int step = 0; step < 400; ++step) {
        int rows = static_cast<int>(model.size());
        const unsigned roll = random() % 10;
        if (roll < 7 || rows < 2)
            rows += 1 + static_cast<int>(random() % 3);
        else
            rows = 1 + static_cast<int>(random() % static_cast<unsigned>(rows));
        ASSERT_TRUE(m.empty() ? m.allocate(columns, rows) : m.resize(columns, rows));
        model.resize(static_cast<std::size_t>(rows), std::vector<int>(columns, 0));
        // Fill the last row, as a growing term matrix does.
        for (int c = 0; c < columns; ++c) {
            const int value = static_cast<int>(random() % 5) - 2;
            model.back()[static_cast<std::size_t>(c)] = value;
            m.row(rows - 1)[c] = static_cast<std::int8_t>(value);
        }
        ASSERT_EQ(m.lastRow(), rows - 1);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                ASSERT_EQ(m.get(c, r), model[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                    << "step " << step << ", row " << r;
    }
}

// Blocks of a megabyte and more come from the system already zero, in huge
// pages: rows handed out fresh are zero without being cleared, and rows
// given back by shrinking are cleared when taken again.
TEST(ByteMatrix, LargeBlocksGiveZeroRowsFreshAndReused)
{
    const int columns = 4096;
    const int rows = 600; // 2.4 MB: a mapped block
    ByteMatrix m;
    ASSERT_TRUE(m.allocate(columns, rows));
    auto rowIsZero = [&](int r) {
        const std::int8_t* cells = m.row(r);
        return std::all_of(cells, cells + columns, [](std::int8_t c) { return c == 0; });
    };
    for (int r = 0; r < rows; ++r)
        ASSERT_TRUE(rowIsZero(r)) << "fresh row " << r;
    for (int r = 0; r < rows; ++r)
        std::fill(m.row(r), m.row(r) + columns, std::int8_t{-2});
    ASSERT_TRUE(m.resize(columns, 10));
    ASSERT_TRUE(m.resize(columns, 3 * rows)); // the given-back rows, then a new block
    for (int r = 10; r < 3 * rows; ++r)
        ASSERT_TRUE(rowIsZero(r)) << "row " << r << " after regrowing";
    EXPECT_EQ(m.get(columns - 1, 9), -2);
}

TEST(ByteMatrix, CopyToFreshTargetCopiesEveryRow)
{
    ByteMatrix source;
    ASSERT_TRUE(source.allocate(3, 1));
    for (int r = 1; r < 300; ++r)
        ASSERT_TRUE(source.resize(3, r + 1));
    for (int r = 0; r < 300; ++r)
        source.set(r % 3, r, static_cast<std::int8_t>(1 + r % 2));
    ByteMatrix target;
    ASSERT_TRUE(source.copyTo(target));
    ASSERT_EQ(target.lastRow(), 299);
    ASSERT_EQ(target.lastColumn(), 2);
    for (int r = 0; r < 300; ++r)
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(target.get(c, r), c == r % 3 ? 1 + r % 2 : 0) << r;
    source.set(0, 0, -1);
    EXPECT_EQ(target.get(0, 0), 1); // a copy, not the same rows
}

TEST(ByteMatrix, SharedRowsAreTheSameAndNeverReused)
{
    ByteMatrix source;
    ASSERT_TRUE(source.allocate(4, 3));
    source.set(1, 2, -1);
    ByteMatrix target;
    ASSERT_TRUE(target.allocate(2, 2)); // replaced, whatever it held
    ASSERT_TRUE(source.shareRowsWith(target));
    EXPECT_EQ(target.lastColumn(), 3);
    EXPECT_EQ(target.lastRow(), 2);
    EXPECT_EQ(target.get(1, 2), -1);
    EXPECT_EQ(target.byteSize(), source.byteSize());

    // Shrinking and growing either side does not hand a shared row out again.
    ASSERT_TRUE(source.resize(4, 1));
    ASSERT_TRUE(source.resize(4, 3));
    source.set(1, 2, 2);
    EXPECT_EQ(target.get(1, 2), -1);
    EXPECT_EQ(source.get(1, 2), 2);
    ASSERT_TRUE(target.resize(4, 2));
    ASSERT_TRUE(target.resize(4, 5));
    EXPECT_EQ(target.get(1, 2), 0);
    EXPECT_EQ(source.get(1, 2), 2);

    // A copy onto a matrix that shares rows makes rows of its own.
    ByteMatrix other;
    ASSERT_TRUE(other.allocate(4, 3));
    ASSERT_TRUE(other.shareRowsWith(target));
    ASSERT_TRUE(source.copyTo(target));
    EXPECT_EQ(target.get(1, 2), 2);
    EXPECT_EQ(other.get(1, 2), 0);

    // Rows outlive the matrix that made them; an empty one shares nothing.
    ByteMatrix kept;
    {
        ByteMatrix made;
        ASSERT_TRUE(made.allocate(2, 2));
        made.set(1, 1, 1);
        ASSERT_TRUE(made.shareRowsWith(kept));
    }
    EXPECT_EQ(kept.get(1, 1), 1);
    ByteMatrix empty;
    ASSERT_TRUE(empty.shareRowsWith(kept));
    EXPECT_TRUE(kept.empty());
    EXPECT_EQ(kept.lastColumn(), -1);
}

TEST(ByteMatrix, UnclearedAppendsMatchResizeAndKeepEarlierRows)
{
    // Appends of uncleared rows, fully written by the caller, against the
    // same growth through resize; shrinking in between hands rows back that
    // the uncleared path takes again.
    ByteMatrix empty;
    EXPECT_FALSE(empty.appendRowsUncleared(1));
    EXPECT_TRUE(empty.empty());

    ByteMatrix fast, model;
    ASSERT_TRUE(fast.allocate(5, 1));
    ASSERT_TRUE(model.allocate(5, 1));
    EXPECT_FALSE(fast.appendRowsUncleared(-1));
    EXPECT_EQ(fast.rowCount(), 1);
    ASSERT_TRUE(fast.appendRowsUncleared(0));
    EXPECT_EQ(fast.rowCount(), 1);

    std::vector<const std::int8_t*> addresses{fast.row(0)};
    int value = 0;
    const int steps[] = {3, 1, 40, -20, 7, 100, -120, 64, 2};
    for (int step : steps) {
        if (step < 0) {
            const int rows = fast.rowCount() + step;
            ASSERT_TRUE(fast.resize(5, rows));
            ASSERT_TRUE(model.resize(5, rows));
            addresses.resize(static_cast<std::size_t>(rows));
            continue;
        }
        const int first = fast.rowCount();
        ASSERT_TRUE(fast.appendRowsUncleared(step));
        ASSERT_TRUE(model.resize(5, first + step));
        ASSERT_EQ(fast.rowCount(), model.rowCount());
        for (int r = first; r < fast.rowCount(); ++r) {
            for (int c = 0; c < 5; ++c) {
                const auto cell = static_cast<std::int8_t>((value++ % 5) - 2);
                fast.row(r)[c] = cell;
                model.set(c, r, cell);
            }
            addresses.push_back(fast.row(r));
        }
        EXPECT_EQ(fast.byteSize(), model.byteSize());
        EXPECT_EQ(fast.lastColumn(), 4);
        for (int r = 0; r < fast.rowCount(); ++r) {
            ASSERT_EQ(fast.row(r), addresses[static_cast<std::size_t>(r)]) << "row " << r << " moved";
            for (int c = 0; c < 5; ++c)
                ASSERT_EQ(fast.get(c, r), model.get(c, r)) << "row " << r << " column " << c;
        }
        std::vector<const std::int8_t*> sorted = addresses;
        std::sort(sorted.begin(), sorted.end());
        for (std::size_t k = 1; k < sorted.size(); ++k)
            ASSERT_GE(sorted[k] - sorted[k - 1], 5) << "two rows overlap";
    }

    // Rows shared with another matrix are not handed out again.
    ByteMatrix shared;
    ASSERT_TRUE(fast.shareRowsWith(shared));
    const int before = shared.rowCount();
    ASSERT_TRUE(fast.resize(5, 2));
    ASSERT_TRUE(fast.appendRowsUncleared(before));
    for (int r = 2; r < fast.rowCount(); ++r)
        std::memset(fast.row(r), 1, 5);
    for (int r = 0; r < before; ++r)
        for (int c = 0; c < 5; ++c)
            ASSERT_EQ(shared.get(c, r), model.get(c, r)) << "shared row " << r << " column " << c;
}

TEST(ElementList, AppendRefusals)
{
    ElementList list;
    EXPECT_TRUE(list.append(1, 0, NodeKind));
    EXPECT_TRUE(list.append(2, 1, NodeKind));
    EXPECT_FALSE(list.append(3, 1.0000001L, NodeKind));
    EXPECT_FALSE(list.append(3, -0.1L, NodeKind));
    EXPECT_FALSE(list.append(3, std::numeric_limits<long double>::quiet_NaN(), NodeKind));
    EXPECT_FALSE(list.append(1, 0.5L, NodeKind)); // not the most recent one
    EXPECT_FALSE(list.append(2, 0.5L, NodeKind));
    EXPECT_TRUE(list.append(1, 0.5L, EdgeKind)); // a node and an edge may share a label
    EXPECT_EQ(list.lastIndex(), 2);
}

TEST(ElementList, FindSeekReadAndUpdate)
{
    ElementList list;
    std::int32_t label = 0, kind = 0;
    long double availability = 0;
    EXPECT_FALSE(list.read(label, availability, kind));
    list.append(5, 0.9L, NodeKind);
    list.append(5, 0.8L, EdgeKind);
    int index = -1;
    ASSERT_TRUE(list.find(5, EdgeKind, index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(list.find(6, NodeKind, index));
    ASSERT_TRUE(list.seek(0));
    ASSERT_TRUE(list.read(label, availability, kind));
    EXPECT_EQ(label, 5);
    EXPECT_EQ(kind, NodeKind);
    EXPECT_EQ(availability, 0.9L);
    EXPECT_FALSE(list.seek(2));
    ASSERT_TRUE(list.read(label, availability, kind)); // cursor unchanged
    EXPECT_EQ(kind, NodeKind);
    ASSERT_TRUE(list.update(1, 7, 0.25L));
    ASSERT_TRUE(list.availabilityAt(1, availability));
    EXPECT_EQ(availability, 0.25L);
    EXPECT_TRUE(list.find(7, EdgeKind, index));
    EXPECT_FALSE(list.update(4, 1, 0.5L));
}

TEST(ElementList, RemoveKeepsIndicesDense)
{
    ElementList list;
    list.append(10, 0.1L, NodeKind);
    list.append(11, 0.2L, NodeKind);
    list.append(12, 0.3L, EdgeKind);
    ASSERT_TRUE(list.remove(1));
    EXPECT_EQ(list.lastIndex(), 1);
    int index = -1;
    ASSERT_TRUE(list.find(12, EdgeKind, index));
    EXPECT_EQ(index, 1);
    std::int32_t label, kind;
    long double availability;
    EXPECT_FALSE(list.read(label, availability, kind)); // cursor unset after removal
    EXPECT_FALSE(list.remove(5));
    ASSERT_TRUE(list.remove(0));
    ASSERT_TRUE(list.remove(0));
    EXPECT_EQ(list.lastIndex(), -1);
    EXPECT_TRUE(list.removeAtCursor()); // nothing to remove
}

TEST(ElementList, LookupFollowsRenamesRemovalsAndClear)
{
    ElementList list;
    for (std::int32_t label : {-1, 0, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()})
        ASSERT_TRUE(list.append(label, 0.5L, NodeKind));
    ASSERT_TRUE(list.append(-1, 0.5L, EdgeKind)); // same bits as node -1 in the label, other kind
    int index = -1;
    ASSERT_TRUE(list.find(std::numeric_limits<std::int32_t>::min(), NodeKind, index));
    EXPECT_EQ(index, 2);
    ASSERT_TRUE(list.find(-1, EdgeKind, index));
    EXPECT_EQ(index, 4);
    // A renamed entry is found under its new label only.
    ASSERT_TRUE(list.update(1, 40, 0.5L));
    EXPECT_FALSE(list.find(0, NodeKind, index));
    ASSERT_TRUE(list.find(40, NodeKind, index));
    EXPECT_EQ(index, 1);
    EXPECT_TRUE(list.append(0, 0.5L, NodeKind)); // the old label is free again
    // Renamed onto a label that another entry holds: the first one is found,
    // and the label stays taken while either holds it.
    ASSERT_TRUE(list.update(3, -1, 0.5L));
    ASSERT_TRUE(list.find(-1, NodeKind, index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(list.remove(0));
    ASSERT_TRUE(list.find(-1, NodeKind, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.append(-1, 0.5L, NodeKind));
    ASSERT_TRUE(list.find(0, NodeKind, index));
    EXPECT_EQ(index, 4);
    list.clear();
    EXPECT_FALSE(list.find(40, NodeKind, index));
    EXPECT_TRUE(list.append(40, 0.5L, NodeKind));
}

TEST(ElementList, NextLabelTextEnumeratesOneKind)
{
    ElementList list;
    list.append(1, 0.5L, NodeKind);
    list.append(3, 0.5L, EdgeKind);
    list.append(2, 0.5L, NodeKind);
    std::string text;
    ElementList none;
    EXPECT_FALSE(none.nextLabelText(NodeKind, text));
    ASSERT_TRUE(list.seek(0));
    ASSERT_TRUE(list.nextLabelText(NodeKind, text));
    EXPECT_EQ(text, std::string(10, ' ') + "1");
    ASSERT_TRUE(list.nextLabelText(NodeKind, text));
    EXPECT_EQ(text, std::string(10, ' ') + "2");
    EXPECT_FALSE(list.nextLabelText(NodeKind, text));
    EXPECT_EQ(labelText(42), std::string(9, ' ') + "42");
    EXPECT_EQ(labelText(-2147483647 - 1), "-2147483648"); // 11 characters, no padding
    EXPECT_EQ(elementText(4, EdgeKind), "e4");
    EXPECT_EQ(elementText(1, NodeKind), "N1");
}

TEST(ElementList, CopyTo)
{
    ElementList empty, target;
    target.append(9, 0.5L, NodeKind);
    EXPECT_FALSE(empty.copyTo(target));
    EXPECT_EQ(target.lastIndex(), 0);
    ElementList source;
    source.append(1, 0.5L, NodeKind);
    source.append(2, 0.25L, EdgeKind);
    ASSERT_TRUE(source.copyTo(target));
    ASSERT_EQ(target.lastIndex(), 1);
    EXPECT_EQ(target.entryAt(1)->label, 2);
    EXPECT_EQ(target.entryAt(1)->availability, 0.25L);
    EXPECT_EQ(target.entryAt(1)->index, 1);
}

namespace {
ClockReading fakeNow{0, 0};
ClockReading fakeClock() { return fakeNow; }
} // namespace

TEST(StopwatchSet, AccumulatesAcrossMillisecondWrap)
{
    StopwatchSet timers(fakeClock);
    EXPECT_EQ(timers.total(0), 0);
    EXPECT_FALSE(timers.stop(0));
    fakeNow = {10, 900};
    ASSERT_TRUE(timers.start(0));
    fakeNow = {11, 100};
    ASSERT_TRUE(timers.stop(0));
    EXPECT_NEAR(static_cast<double>(timers.total(0)), 0.2, 1e-12);
    fakeNow = {20, 0};
    ASSERT_TRUE(timers.start(0));
    fakeNow = {21, 0};
    EXPECT_NEAR(static_cast<double>(timers.total(0)), 0.2, 1e-12); // running: what it had
    ASSERT_TRUE(timers.stop(0));
    EXPECT_NEAR(static_cast<double>(timers.total(0)), 1.2, 1e-12);
}

TEST(StopwatchSet, RefusesRestartAndUnknownSlots)
{
    StopwatchSet timers(fakeClock);
    fakeNow = {5, 5};
    ASSERT_TRUE(timers.start(2)); // grows to three slots
    EXPECT_EQ(timers.lastIndex(), 2);
    fakeNow = {6, 0};
    EXPECT_FALSE(timers.start(2)); // first start reading stays
    fakeNow = {7, 5};
    ASSERT_TRUE(timers.stop(2));
    EXPECT_NEAR(static_cast<double>(timers.total(2)), 2.0, 1e-12);
    EXPECT_FALSE(timers.stop(1));
    EXPECT_EQ(timers.total(1), 0);
    EXPECT_FALSE(timers.start(-1));
    EXPECT_FALSE(timers.stop(9));
    EXPECT_FALSE(timers.allocate(0));
}

TEST(StopwatchSet, LapClosesAndReopensWithOneReading)
{
    StopwatchSet timers(fakeClock);
    ClockReading read;
    fakeNow = {30, 500};
    ASSERT_TRUE(timers.lap(1, read)); // not running: starts it
    EXPECT_TRUE(timers.running(1));
    EXPECT_EQ(timers.total(1), 0);
    EXPECT_EQ(read.seconds, 30);
    fakeNow = {31, 250};
    ASSERT_TRUE(timers.lap(1, read));
    EXPECT_EQ(read.seconds, 31);
    EXPECT_EQ(read.millis, 250);
    EXPECT_NEAR(static_cast<double>(timers.total(1)), 0.75, 1e-12);
    fakeNow = {31, 400};
    ASSERT_TRUE(timers.stop(1));
    EXPECT_NEAR(static_cast<double>(timers.total(1)), 0.9, 1e-12); // nothing lost between laps
    EXPECT_FALSE(timers.running(1));
    EXPECT_FALSE(timers.lap(-1, read));
}

TEST(SampleLog, PeakInSlotZero)
{
    SampleLog log;
    EXPECT_EQ(log.sample(0), 0);
    ASSERT_TRUE(log.record(0, 50));
    ASSERT_TRUE(log.record(1, 80));
    ASSERT_TRUE(log.record(2, 60));
    EXPECT_EQ(log.sample(0), 80);
    EXPECT_EQ(log.sample(1), 80);
    EXPECT_EQ(log.sample(2), 60);
    ASSERT_TRUE(log.resize(4));
    ASSERT_TRUE(log.record(1, 500)); // inside: slot 0 not compared
    EXPECT_EQ(log.sample(0), 80);
    EXPECT_EQ(log.sample(1), 500);
    EXPECT_FALSE(log.record(-1, 1));
    EXPECT_EQ(log.sample(-1), 0);
    EXPECT_EQ(log.sample(9), 0);
    ASSERT_TRUE(log.record(9, 5'000'000'000LL)); // beyond 32 bits
    EXPECT_EQ(log.sample(0), 5'000'000'000LL);
}

TEST(SampleLog, ManySamplesWithStampsAcrossChunks)
{
    SampleLog log(fakeClock);
    fakeNow = {7, 0};
    ASSERT_TRUE(log.record(0, 1));
    EXPECT_EQ(log.stamp(0), 7);
    for (int slot = 1; slot <= 5000; ++slot)
        ASSERT_TRUE(log.record(slot, slot % 977, 100 + slot / 1000));
    EXPECT_EQ(log.lastIndex(), 5000);
    EXPECT_EQ(log.sample(0), 976);
    EXPECT_EQ(log.sample(4321), 4321 % 977);
    EXPECT_EQ(log.stamp(4321), 104);
    EXPECT_EQ(log.stamp(999), 100);
    EXPECT_EQ(log.stamp(1024), 101);
    ASSERT_TRUE(log.resize(10)); // shrinking, then growing, gives zeros
    ASSERT_TRUE(log.resize(3000));
    EXPECT_EQ(log.sample(9), 9);
    EXPECT_EQ(log.sample(2000), 0);
    EXPECT_EQ(log.stamp(2000), 0);
    ASSERT_TRUE(log.allocate(2));
    EXPECT_EQ(log.lastIndex(), 1);
    EXPECT_EQ(log.sample(0), 0);
    log.clear();
    EXPECT_EQ(log.lastIndex(), -1);
    EXPECT_EQ(log.sample(0), 0);
}

// Records at the end, inside and beyond, and resizes, against a plain model
// of values and stamps.
TEST(SampleLog, StampsAndValuesMatchModel)
{
    std::mt19937 random(5);
    SampleLog log(fakeClock);
    std::vector<std::int64_t> values, stamps;
    std::int64_t second = 1000;
    for (int step = 0; step < 3000; ++step) {
        const unsigned roll = random() % 20;
        if (roll < 2)
            ++second;
        const int count = static_cast<int>(values.size());
        if (roll == 2 && count > 0) {
            const int size = 1 + static_cast<int>(random() % static_cast<unsigned>(count + 40));
            ASSERT_TRUE(log.resize(size));
            values.resize(static_cast<std::size_t>(size), 0);
            stamps.resize(static_cast<std::size_t>(size), 0);
            continue;
        }
        int slot = count;
        if (roll == 3 && count > 0)
            slot = static_cast<int>(random() % static_cast<unsigned>(count)); // inside
        else if (roll == 4)
            slot = count + static_cast<int>(random() % 5); // beyond
        const std::int64_t value = static_cast<std::int64_t>(random() % 100000);
        ASSERT_TRUE(log.record(slot, value, second));
        if (slot >= count) {
            values.resize(static_cast<std::size_t>(slot) + 1, 0);
            stamps.resize(static_cast<std::size_t>(slot) + 1, 0);
            values[static_cast<std::size_t>(slot)] = value;
            values[0] = std::max(values[0], value);
        } else {
            values[static_cast<std::size_t>(slot)] = value;
        }
        stamps[static_cast<std::size_t>(slot)] = second;
        if (step % 97 == 0 || roll == 3) {
            ASSERT_EQ(log.lastIndex(), static_cast<int>(values.size()) - 1);
            for (std::size_t i = 0; i < values.size(); ++i) {
                ASSERT_EQ(log.sample(static_cast<int>(i)), values[i]) << "step " << step << ", slot " << i;
                ASSERT_EQ(log.stamp(static_cast<int>(i)), stamps[i]) << "step " << step << ", slot " << i;
            }
        }
    }
}

TEST(TermRows, RowsPastTheLargestRowNumberAreRefused)
{
    // Appended rows are reserved, not written, so this takes address space
    // rather than memory.
    TermRows rows;
    ASSERT_TRUE(rows.allocate(1, 1));
    const int most = std::numeric_limits<int>::max();
    ASSERT_TRUE(rows.appendRowsUncleared(most - 11));
    ASSERT_TRUE(rows.appendRowsUncleared(10));
    EXPECT_EQ(rows.rowCount(), most);
    EXPECT_FALSE(rows.appendRowsUncleared(1));
    EXPECT_FALSE(rows.appendRowsUncleared(most));
    EXPECT_EQ(rows.rowCount(), most);
    EXPECT_EQ(rows.lastRow(), most - 1);
}
