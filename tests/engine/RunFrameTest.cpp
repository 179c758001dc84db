#include "algorithms/RunFrame.h"
#include "TestStructures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace velmor;
using namespace velmor::testing;

namespace {

ElementList threeElements(long double a, long double b, long double c)
{
    ElementList list;
    list.append(1, a, NodeKind);
    list.append(2, b, NodeKind);
    list.append(3, c, EdgeKind);
    return list;
}

IntArray identity(int n)
{
    IntArray map;
    map.allocate(n);
    for (int i = 0; i < n; ++i)
        map.set(i, i);
    return map;
}

TermRows termRows(const std::vector<std::vector<int>>& rows)
{
    TermRows m;
    m.allocate(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            m.set(static_cast<int>(c), static_cast<int>(r), rows[r][c]);
    return m;
}

} // namespace

TEST(EvaluateTerms, ProductsOfWorkingAndFailedElements)
{
    const ElementList elements = threeElements(0.5L, 0.25L, 0.8L);
    const TermRows terms = termRows({{1, 0, 1}, {1, 1, -1}, {0, 0, 0}});
    long double result = -1;
    ASSERT_TRUE(evaluateTerms(terms, identity(3), 0, 1, elements, result, false));
    EXPECT_EQ(result, 0.5L * 0.8L + 0.5L * 0.25L * (1 - 0.8L)); // the empty row adds 0, not 1
    ASSERT_TRUE(evaluateTerms(terms, identity(3), 0, 1, elements, result, true));
    EXPECT_EQ(result, 1 * 0.8L + 1 * 1 * (1 - 0.8L));
}

TEST(EvaluateTerms, FailedCertainElementGivesZeroAndEmptyMatrixZero)
{
    const ElementList elements = threeElements(1, 0.5L, 1);
    long double result = -1;
    ASSERT_TRUE(evaluateTerms(termRows({{1, 1, -1}}), identity(3), 0, 1, elements, result, false));
    EXPECT_EQ(result, 0);
    TermRows none;
    ASSERT_TRUE(evaluateTerms(none, identity(3), 0, 1, elements, result, false));
    EXPECT_EQ(result, 0);
}

TEST(EvaluateTerms, MissingElementFails)
{
    const ElementList elements = threeElements(0.5L, 0.5L, 0.5L);
    IntArray map = identity(3);
    map.set(2, 7);
    long double result = 0;
    EXPECT_FALSE(evaluateTerms(termRows({{1, 0, 0}}), map, 0, 1, elements, result, false));
}

TEST(AddNewTerms, FoldsOnlyPublishedSuccessRowsOnce)
{
    const ElementList elements = threeElements(0.5L, 0.25L, 0.8L);
    // Three element columns plus a row-state column.
    TermRows rows;
    TermFeed feed;
    LiveTermWriter writer(rows, feed);
    ASSERT_TRUE(writer.allocate(4, 1));
    writer.matrix().set(0, 0, 1);
    writer.publishAll();
    ASSERT_TRUE(writer.appendRows(2));
    writer.matrix().set(0, 1, 1);
    writer.matrix().set(2, 1, 1);
    writer.matrix().set(3, 1, 1); // success
    LiveSum sum;
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 1); // rows 1 and 2 not yet published
    EXPECT_EQ(sum.value, 0);
    writer.publishAll();
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 3);
    EXPECT_EQ(sum.terms, 1);
    EXPECT_EQ(sum.value, 0.5L * 0.8L);
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.value, 0.5L * 0.8L);
}

TEST(AddNewTerms, ReadsNoFurtherThanTheSettledRows)
{
    const ElementList elements = threeElements(0.5L, 0.25L, 0.8L);
    TermRows rows;
    TermFeed feed;
    LiveTermWriter writer(rows, feed);
    ASSERT_TRUE(writer.allocate(4, 3));
    writer.settle(1);
    for (int r = 0; r < 3; ++r)
        writer.matrix().set(r, r, 1);
    writer.matrix().set(3, 0, 1); // a success row, settled
    writer.publishAll();
    LiveSum sum;
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 1);
    EXPECT_EQ(sum.value, 0.5L);
    // Row 1 becomes a success after it was published; read once settled.
    writer.setShared(3, 1, 1);
    writer.settle(3);
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 3);
    EXPECT_EQ(sum.terms, 2);
    EXPECT_EQ(sum.value, 0.5L + 0.25L);
}

TEST(AddNewTerms, RowsFreedAfterReadingMakeTheSumInexact)
{
    const ElementList elements = threeElements(0.5L, 0.25L, 0.8L);
    TermRows rows;
    TermFeed feed;
    LiveTermWriter writer(rows, feed);
    ASSERT_TRUE(writer.allocate(3, 2));
    writer.matrix().set(0, 0, 1);
    writer.matrix().set(1, 1, 1);
    writer.publishAll();
    LiveSum sum;
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 0, identity(3), 0, 1, elements, false, sum));
    EXPECT_TRUE(sum.exact);
    EXPECT_EQ(sum.terms, 2);
    // Growing keeps what was read; shrinking gives read rows back for reuse.
    ASSERT_TRUE(writer.appendRows(1));
    writer.publishAll();
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 0, identity(3), 0, 1, elements, false, sum));
    EXPECT_TRUE(sum.exact);
    ASSERT_TRUE(writer.resize(3, 1));
    ASSERT_TRUE(writer.appendRows(2));
    writer.publishAll();
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 0, identity(3), 0, 1, elements, false, sum));
    EXPECT_FALSE(sum.exact);
}

TEST(AddNewTerms, ManyRowsFoldInRowOrderWhileTheMatrixShrinks)
{
    // Thousands of rows, so that they are read in several batches; the sum
    // must be the one of a plain fold in row order, bit for bit.
    const ElementList elements = threeElements(0.9L, 0.3L, 0.7L);
    TermRows rows;
    TermFeed feed;
    LiveTermWriter writer(rows, feed);
    constexpr int kRows = 5000;
    ASSERT_TRUE(writer.allocate(4, kRows));
    long double expected = 0;
    const long double p[3] = {0.9L, 0.3L, 0.7L};
    for (int r = 0; r < kRows; ++r) {
        long double product = 1;
        for (int c = 0; c < 3; ++c) {
            const int cell = (r >> c) % 3 - 1; // -1, 0 or 1
            writer.matrix().set(c, r, static_cast<std::int8_t>(cell));
            product *= cell == 1 ? p[c] : cell == -1 ? 1 - p[c] : 1;
        }
        const bool success = r % 7 != 3;
        writer.matrix().set(3, r, success ? 1 : -2);
        const bool marked = (r % 3) != 1 || ((r >> 1) % 3) != 1 || ((r >> 2) % 3) != 1;
        if (success && r < 4000)
            expected += marked ? product : 0;
    }
    writer.publishAll();
    ASSERT_TRUE(writer.resize(4, 4000)); // the rows beyond were taken back
    LiveSum sum;
    ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 4000);
    EXPECT_EQ(sum.value, expected);
}

// A writer that reallocates its matrix with another width while the reader
// goes through it batch by batch: the reader never applies one width to the
// rows of another (under AddressSanitizer, reading past a narrow row's block
// fails the test).
TEST(AddNewTerms, MatrixReallocatedWithAnotherWidthWhileRead)
{
    ElementList elements;
    for (int e = 0; e < 8; ++e)
        elements.append(e + 1, 0.5L, NodeKind);
    const IntArray map = identity(8);
    TermRows rows;
    TermFeed feed;
    std::atomic<bool> finished{false};
    std::thread writer([&] {
        LiveTermWriter live(rows, feed);
        for (int round = 0; round < 300; ++round) {
            const int columns = round % 2 == 0 ? 9 : 2;
            ASSERT_TRUE(live.allocate(columns, 1));
            ASSERT_TRUE(live.appendRows(round % 2 == 0 ? 1499 : 599));
            for (int r = 0; r <= rows.lastRow(); ++r) {
                rows.set(0, r, 1);
                rows.set(columns - 1, r, 1); // every row a success
            }
            live.publishAll();
        }
        finished = true;
    });
    LiveSum sum;
    while (!finished.load()) {
        ASSERT_TRUE(addNewTerms(rows, feed, 0, 1, map, 0, 1, elements, false, sum));
        ASSERT_GE(sum.value, 0);
    }
    writer.join();
    EXPECT_TRUE(addNewTerms(rows, feed, 0, 1, map, 0, 1, elements, false, sum));
    EXPECT_GT(sum.terms, 0);
}

TEST(AddNewTerms, PendingRowsWaitAndFailureKeepsCursor)
{
    const ElementList elements = threeElements(0.5L, 0.25L, 0.8L);
    TermRows terms = termRows({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    TermFeed feed;
    feed.publishedRows = 3;
    LiveSum sum;
    ASSERT_TRUE(addNewTerms(terms, feed, 1, 0, identity(3), 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 2);
    EXPECT_EQ(sum.value, 0.5L + 0.25L);
    IntArray broken = identity(3);
    broken.set(1, 9);
    EXPECT_FALSE(addNewTerms(terms, feed, 0, 0, broken, 0, 1, elements, false, sum));
    EXPECT_EQ(sum.cursor, 2);
    EXPECT_EQ(sum.value, 0.5L + 0.25L);
}

TEST(KeepSuccessRows, KeepsRowsEndingInOne)
{
    TermRows m = termRows({{1, 0, 1}, {1, -1, -1}, {-1, 1, 1}, {0, 1, -2}});
    keepSuccessRows(m);
    ASSERT_EQ(m.rowCount(), 2);
    ASSERT_EQ(m.columnCount(), 2);
    EXPECT_EQ(m.get(0, 0), 1);
    EXPECT_EQ(m.get(0, 1), -1);
    EXPECT_EQ(m.get(1, 1), 1);
    TermRows none = termRows({{1, 0}, {1, -1}});
    keepSuccessRows(none);
    EXPECT_EQ(none.lastRow(), -1);
    EXPECT_EQ(none.lastColumn(), -1);
}

TEST(ReachesDestination, FollowsUsableArcsOnly)
{
    // Chain 0 -> 1 -> 2 -> 3 with a side arc 0 -> 4 -> 3.
    ByteMatrix copy;
    copy.allocate(5, 5);
    copy.set(1, 0, 1);
    copy.set(2, 1, 1);
    copy.set(3, 2, 1);
    copy.set(4, 0, 1);
    copy.set(3, 4, 1);
    IntArray state;
    state.allocate(5);
    EXPECT_TRUE(reachesDestination(copy, 1, 3, state, true, false));
    state.set(2, -1);
    EXPECT_FALSE(reachesDestination(copy, 1, 3, state, true, false)); // only way is a failed element
    EXPECT_TRUE(reachesDestination(copy, 1, 3, state, false, false)); // "posebno" ignores states
    state.set(2, 0);
    copy.set(2, 1, BlockedArc);
    EXPECT_FALSE(reachesDestination(copy, 1, 3, state, true, false));
    EXPECT_TRUE(reachesDestination(copy, 3, 3, state, true, false));
    EXPECT_FALSE(reachesDestination(copy, 5, 3, state, true, false));
}

TEST(ReachesDestination, ClosedCandidatesBlockTheWay)
{
    // From 0 leaving arcs enter 1 and 2; 1 reaches 3 only through 2.
    ByteMatrix copy;
    copy.allocate(4, 4);
    copy.set(1, 0, LeavingArc);
    copy.set(2, 0, LeavingArc);
    copy.set(2, 1, 1);
    copy.set(3, 2, 1);
    IntArray state;
    state.allocate(4);
    EXPECT_TRUE(reachesDestination(copy, 1, 3, state, true, false));
    EXPECT_FALSE(reachesDestination(copy, 1, 3, state, true, true));
    copy.set(3, 0, LeavingArc); // destination itself a candidate
    EXPECT_TRUE(reachesDestination(copy, 1, 3, state, true, true));
}

TEST(AlgorithmRun, LimitsOfZeroStopAfterFirstIteration)
{
    for (int which = 0; which < 3; ++which) {
        AlgorithmCells cells;
        AlgorithmOptions options;
        options.limits = RunLimits{which == 0 ? 0 : -5, which == 1 ? 0 : -1, which == 2 ? 1 : -1};
        AlgorithmRun run(Algorithm::Npr, cells, options);
        run.startSlot(run.executionSlot());
        EXPECT_TRUE(run.endIteration(40, 0, 3)) << which;
        EXPECT_EQ(cells.iterations.load(), 1);
        EXPECT_EQ(cells.progressTotal.load(), 3);
        EXPECT_EQ(cells.memoryLog.sample(0), 40);
        EXPECT_EQ(cells.memoryLog.sample(1), 40);
    }
}

TEST(AlgorithmRun, NoLimitNeverStopsAndResultCode)
{
    AlgorithmCells cells;
    AlgorithmRun run(Algorithm::Enr, cells);
    EXPECT_EQ(run.executionSlot(), 2);
    EXPECT_EQ(run.slots(), (std::vector<int>{0, 2, 1}));
    run.startSlot(run.executionSlot());
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(run.endIteration(1'000'000'000'000LL, i, 100));
    EXPECT_EQ(run.nextSample, 101);
    run.anomalies = 2;
    run.storeResultCode();
    EXPECT_EQ(cells.anomalies.load(), 2);
    run.markStopped();
    run.storeResultCode();
    EXPECT_EQ(cells.anomalies.load(), -3);
}

TEST(ExactAvailability, BridgeKnownValue)
{
    EXPECT_NEAR(static_cast<double>(exactAvailability(bridge(0.9L), false, false)), 0.97848, 1e-15);
}

TEST(AlgorithmRun, MemoryFiguresAndLimitsBeyond32Bits)
{
    // A 32-bit figure would wrap past 2 GB: 3 GB would read as negative and
    // never reach a limit, 6 GB as about 1.7 GB.
    AlgorithmCells cells;
    AlgorithmOptions options;
    options.limits.memory = 5'000'000'000LL;
    AlgorithmRun run(Algorithm::Abraham, cells, options);
    run.startSlot(run.executionSlot());
    EXPECT_FALSE(run.endIteration(3'000'000'000LL, 0, 2));
    EXPECT_EQ(cells.memoryLog.sample(1), 3'000'000'000LL);
    EXPECT_TRUE(run.endIteration(6'000'000'000LL, 1, 2));
    EXPECT_EQ(cells.memoryLog.sample(0), 6'000'000'000LL);
    EXPECT_EQ(cells.memoryLog.sample(2), 6'000'000'000LL);
}
