#include "algorithms/RunFrame.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <atomic>
#include <mutex>

namespace velmor {

MemoryWatch::MemoryWatch(MemoryCeiling& ceiling) : ceiling_(ceiling)
{
    for (auto& figure : figures_)
        figure.store(kAway);
}

bool MemoryWatch::overCeiling(Algorithm a, std::int64_t figure)
{
    figure = std::max<std::int64_t>(figure, 0);
    figureOf(a).store(figure);
    const MemoryHeadroom headroom = ceiling_.headroom();
    if (!headroom.known)
        return false;
    // Ending takes memory too: a solution tree copies its success rows into
    // the final terms, which came to a twentieth to a tenth of the process's
    // resident memory on grids. An eighth of the algorithm's memory is kept
    // for that on top of the reserve: of its figure, or of the resident
    // memory when that is less (the figure measures the containers' shapes;
    // packed rows hold less).
    const std::int64_t own = headroom.resident > 0 ? std::min(figure, headroom.resident) : figure;
    const std::int64_t left = headroom.bytes - own / 8;
    if (headroom.bytes > -(headroom.reserve / 2)) {
        std::int64_t mark = mark_.load();
        if (left > mark || !largestRunning(a))
            return false;
        // One stop per step: an algorithm that lowered the mark past this
        // reading meanwhile has taken it.
        const std::int64_t next = left - std::max<std::int64_t>(headroom.reserve / 8, 1);
        while (!mark_.compare_exchange_weak(mark, std::min(mark, next)))
            if (left > mark)
                return false;
    }
    ended_[static_cast<std::size_t>(a)].store(true);
    leave(a);
    return true;
}

// Two algorithms of one figure: the earlier in the run's order counts as
// the larger, so that only one of them ends.
bool MemoryWatch::largestRunning(Algorithm a) const
{
    const std::int64_t own = figures_[static_cast<std::size_t>(a)].load();
    for (Algorithm b : kRunAlgorithms) {
        if (b == a)
            continue;
        const std::int64_t other = figures_[static_cast<std::size_t>(b)].load();
        if (other != kAway && (other > own || (other == own && b < a)))
            return false;
    }
    return true;
}

AlgorithmRun::AlgorithmRun(Algorithm algorithm, AlgorithmCells& cells, const AlgorithmOptions& options,
                           bool idealTerminals, MemoryWatch* watch)
    : algorithm_(algorithm), cells_(cells), options_(options), idealTerminals_(idealTerminals),
      limits_(options.limits.normalised()),
      executionSlot_(traits(algorithm).executionSlot), watch_(watch)
{
    if (watch_)
        watch_->enter(algorithm_);
}

AlgorithmRun::~AlgorithmRun()
{
    if (watch_)
        watch_->leave(algorithm_);
}

bool AlgorithmRun::checkPoint()
{
    cells_.pause.passThrough();
    return cells_.stopRequested();
}

bool AlgorithmRun::endIteration(std::int64_t workingSetBytes, int done, int total)
{
    // One clock reading closes the time of the iterations since the previous
    // one, opens the next ones' and stamps the sample.
    const bool lapped = limits_.time != -1 || ++sinceLap_ >= lapEvery_;
    if (lapped)
        lapExecution();
    cells_.memoryLog.record(nextSample, workingSetBytes, lastLap_.seconds);
    ++nextSample;
    const std::int32_t iterations = cells_.iterations.load(std::memory_order_relaxed) + 1;
    cells_.iterations.store(iterations, std::memory_order_relaxed);
    if (limits_.any()) {
        if (limits_.memory != -1 && cells_.memoryLog.sample(0) >= limits_.memory)
            cells_.requestStop();
        if (limits_.time != -1 && cells_.timers.total(executionSlot_) >= static_cast<long double>(limits_.time))
            cells_.requestStop();
        if (limits_.iterations != -1 && iterations >= limits_.iterations)
            cells_.requestStop();
    }
    if (watch_ && lapped)
        watchCeiling(workingSetBytes);
    cells_.progressDone.store(done, std::memory_order_relaxed);
    cells_.progressTotal.store(total, std::memory_order_relaxed);
    return checkPoint();
}

void AlgorithmRun::lapExecution()
{
    ClockReading now;
    cells_.timers.lap(executionSlot_, now);
    if (lapped_) {
        const std::int64_t millis = (now.seconds - lastLap_.seconds) * 1000 + (now.millis - lastLap_.millis);
        lapEvery_ = millis < 1 ? std::min(2 * lapEvery_, kMostLapEvery) : 1;
    }
    lapped_ = true;
    lastLap_ = now;
    sinceLap_ = 0;
}

// Running short of memory ends the run the way its memory limit does: the
// stop cell is raised without the user's mark, so the run keeps its terms
// and shows "ograničena nit".
void AlgorithmRun::watchCeiling(std::int64_t workingSetBytes)
{
    const std::int64_t since =
        (lastLap_.seconds - lastWatch_.seconds) * 1000 + (lastLap_.millis - lastWatch_.millis);
    if (watched_ && since < kWatchEveryMillis)
        return;
    watched_ = true;
    lastWatch_ = lastLap_;
    if (watch_->overCeiling(algorithm_, workingSetBytes))
        cells_.requestStop();
}

void AlgorithmRun::storeResultCode()
{
    const std::int32_t field = cells_.anomalies.load();
    cells_.anomalies.store(field < 0 ? field - anomalies : anomalies);
}

// --- Working copies -------------------------------------------------------

void blockArcsInto(ByteMatrix& copy, int x)
{
    for (int r = 0; r <= copy.lastRow(); ++r)
        if (copy.get(x, r) > 0)
            copy.set(x, r, BlockedArc);
}

void blockArcsOutOf(ByteMatrix& copy, int x)
{
    for (int c = 0; c <= copy.lastColumn(); ++c)
        if (copy.get(c, x) > 0)
            copy.set(c, x, BlockedArc);
}

int markArcsFrom(ByteMatrix& copy, int x)
{
    int marked = 0;
    for (int c = 0; c <= copy.lastColumn(); ++c) {
        if (copy.get(c, x) == UsableArc) {
            copy.set(c, x, LeavingArc);
            ++marked;
        }
    }
    return marked;
}

bool enteredByLeavingArc(const ByteMatrix& copy, int j)
{
    for (int r = 0; r <= copy.lastRow(); ++r)
        if (copy.get(j, r) == LeavingArc)
            return true;
    return false;
}

bool reachesDestination(const ByteMatrix& copy, int candidate, int destination, const IntArray& workElementState,
                        bool normal, bool closeCandidates)
{
    if (copy.lastRow() != copy.lastColumn())
        return true;
    const int last = copy.lastRow();
    if (candidate < 0 || candidate > last || destination < 0 || destination > last)
        return false;
    if (candidate == destination)
        return true;

    std::vector<int> mark(static_cast<std::size_t>(last + 1), 0);
    if (closeCandidates) {
        for (int i = 0; i <= last; ++i) {
            if (!enteredByLeavingArc(copy, i))
                continue;
            if (i == destination)
                return true;
            mark[static_cast<std::size_t>(i)] = -1;
        }
    }
    mark[static_cast<std::size_t>(candidate)] = 1;
    mark[static_cast<std::size_t>(destination)] = 0;

    std::vector<int> next(static_cast<std::size_t>(last + 1));
    bool progress = true;
    while (progress) {
        std::fill(next.begin(), next.end(), 0);
        progress = false;
        for (int i = 0; i <= last; ++i) {
            if (mark[static_cast<std::size_t>(i)] != 1)
                continue;
            for (int j = 0; j <= last; ++j) {
                if (copy.get(j, i) == UsableArc && (workElementState.get(j) != -1 || !normal)) {
                    next[static_cast<std::size_t>(j)] = 1;
                    progress = true;
                }
            }
            mark[static_cast<std::size_t>(i)] = -1;
        }
        for (int j = 0; j <= last; ++j) {
            if (next[static_cast<std::size_t>(j)] != 1)
                continue;
            if (j == destination)
                return true;
            if (mark[static_cast<std::size_t>(j)] != -1)
                mark[static_cast<std::size_t>(j)] = 1;
        }
    }
    return false;
}

void keepSuccessRows(TermRows& matrix)
{
    const int last = matrix.lastColumn();
    int kept = 0;
    for (int r = 0; r <= matrix.lastRow(); ++r)
        if (matrix.get(last, r) == 1)
            ++kept;
    if (kept == 0) {
        matrix.clear();
        return;
    }
    TermRows result;
    result.allocate(last, kept);
    int out = 0;
    for (int r = 0; r <= matrix.lastRow(); ++r) {
        if (matrix.get(last, r) != 1)
            continue;
        for (int c = 0; c < last; ++c)
            result.set(c, out, matrix.get(c, r));
        ++out;
    }
    matrix = std::move(result);
}

// --- Evaluation -------------------------------------------------------------

namespace {

// Availability of the element each of the first `columns` work indices stands
// for; false when one of them has no entry.
bool columnAvailabilities(int columns, const IntArray& elementMap, int workSourceIndex, int workDestinationIndex,
                          const ElementList& elements, bool idealTerminals, std::vector<long double>& p)
{
    p.assign(static_cast<std::size_t>(std::max(columns, 0)), 0);
    for (int j = 0; j < columns; ++j) {
        const ElementEntry* entry = elements.entryAt(elementMap.get(j));
        if (!entry)
            return false;
        p[static_cast<std::size_t>(j)] = entry->availability;
        if (idealTerminals && (j == workSourceIndex || j == workDestinationIndex))
            p[static_cast<std::size_t>(j)] = 1;
    }
    return true;
}

// The product of a row's first `columns` cells: p for a cell 1, 1 - p for a
// cell -1, in ascending column order; 0 for a row without either.
long double termProduct(const std::uint8_t* row, int columns, const std::vector<long double>& p)
{
    long double product = 1;
    bool marked = false;
    const int bytes = termcells::bytesFor(columns);
    for (int w = 0; w < termcells::wordsFor(bytes); ++w) {
        const std::uint64_t word = termcells::wordAt(row, bytes, w);
        std::uint64_t works = termcells::cellsCoded(word, termcells::kWorks);
        std::uint64_t either = works | termcells::cellsCoded(word, termcells::kFails);
        const int cellsLeft = columns - 32 * w;
        if (cellsLeft < 32) {
            const std::uint64_t inside = (std::uint64_t{1} << (2 * cellsLeft)) - 1;
            works &= inside;
            either &= inside;
        }
        for (; either != 0; either &= either - 1) {
            const int bit = std::countr_zero(either);
            const long double pj = p[static_cast<std::size_t>(32 * w + bit / 2)];
            if ((works >> bit) & 1u)
                product *= pj;
            else
                product = pj != 1 ? product * (1 - pj) : 0;
            marked = true;
        }
    }
    return marked ? product : 0;
}

} // namespace

bool evaluateTerms(const TermRows& terms, const IntArray& elementMap, int workSourceIndex,
                   int workDestinationIndex, const ElementList& elements, long double& result, bool idealTerminals)
{
    result = 0;
    if (terms.rowCount() == 0)
        return true;
    std::vector<long double> p;
    if (!columnAvailabilities(terms.columnCount(), elementMap, workSourceIndex, workDestinationIndex, elements,
                              idealTerminals, p))
        return false;
    for (int r = 0; r <= terms.lastRow(); ++r)
        result += termProduct(terms.row(r), terms.columnCount(), p);
    return true;
}

namespace {

// A published row of a tree whose state, the cell at `stateColumn`, its
// writer may change meanwhile: the byte holding it is loaded atomically,
// the others as they are (the writer no longer changes them). Returns the
// state; `copy` receives the row.
int loadTreeRow(const std::uint8_t* row, int rowBytes, int stateColumn, std::vector<std::uint8_t>& copy)
{
    const int stateByte = stateColumn >> 2;
    copy.resize(static_cast<std::size_t>(rowBytes));
    std::memcpy(copy.data(), row, static_cast<std::size_t>(stateByte));
    copy[static_cast<std::size_t>(stateByte)] =
        std::atomic_ref(*const_cast<std::uint8_t*>(row + stateByte)).load(std::memory_order_relaxed);
    if (stateByte + 1 < rowBytes)
        std::memcpy(copy.data() + stateByte + 1, row + stateByte + 1, static_cast<std::size_t>(rowBytes - stateByte - 1));
    return termcells::cellAt(copy.data(), stateColumn);
}

} // namespace

bool addNewTerms(const TermRows& terms, TermFeed& feed, int pending, int skipColumns, const IntArray& elementMap,
                 int workSourceIndex, int workDestinationIndex, const ElementList& elements, bool idealTerminals,
                 LiveSum& sum)
{
    // Row pointers are taken in batches under the feed's lock, which the
    // algorithm needs for every row it appends; the rows themselves are
    // multiplied out under the rows lock only, which it takes just to free
    // or reshape them.
    constexpr int kBatchRows = 512;
    // Called under the feed's lock: how far the rows may be read, and
    // whether the rows read before are still those summed.
    auto readable = [&] {
        if (sum.layout != feed.layout) {
            if (sum.cursor > 0)
                sum.exact = false;
            sum.layout = feed.layout;
        }
        const int settled = feed.settledRows.load(std::memory_order_acquire);
        return std::min({terms.lastRow() - pending, feed.publishedRows.load() - 1, settled - 1});
    };
    int last = 0;
    int columns = 0;
    {
        std::lock_guard guard(feed.lock);
        last = readable();
        columns = terms.columnCount() - skipColumns;
    }
    if (sum.cursor > last)
        return true;
    std::vector<long double> p;
    if (!columnAvailabilities(columns, elementMap, workSourceIndex, workDestinationIndex, elements, idealTerminals,
                              p))
        return false;
    std::vector<const std::uint8_t*> batch;
    batch.reserve(kBatchRows);
    std::vector<std::uint8_t> copy;
    int rowBytes = 0;
    while (sum.cursor <= last) {
        std::lock_guard rowsGuard(feed.rowsLock);
        batch.clear();
        const bool fromRoot = sum.cursor == 0;
        {
            std::lock_guard guard(feed.lock);
            // Rows laid out anew may have another width than the one taken
            // above: the next call reads them with theirs.
            if (feed.layout != sum.layout)
                break;
            rowBytes = terms.rowBytes();
            // Whatever the algorithm did in between, only rows still there
            // are read.
            const int wanted = std::min(last, sum.cursor + kBatchRows - 1);
            const int end = std::min(wanted, readable());
            if (end < wanted)
                last = end; // the matrix shrank: the rest is gone
            for (; sum.cursor <= end; ++sum.cursor)
                batch.push_back(terms.row(sum.cursor));
        }
        for (std::size_t k = 0; k < batch.size(); ++k) {
            const std::uint8_t* row = batch[k];
            if (skipColumns == 1) {
                const int state = loadTreeRow(row, rowBytes, columns, copy);
                row = copy.data();
                if (fromRoot && k == 0)
                    sum.root = termProduct(row, columns, p);
                if (state == -1)
                    sum.failures += termProduct(row, columns, p);
                if (state != 1)
                    continue;
            }
            sum.value += termProduct(row, columns, p);
            ++sum.terms;
        }
    }
    return true;
}

// --- Live term matrices -------------------------------------------------------

bool LiveTermWriter::allocate(int columns, int rows)
{
    std::scoped_lock guard(feed_.rowsLock, feed_.lock);
    ++feed_.layout;
    matrix_.clear();
    feed_.publishedRows.store(0);
    return matrix_.allocate(columns, rows);
}

bool LiveTermWriter::resize(int columns, int rows)
{
    // Growing keeps every row where it is; shrinking gives rows back for
    // reuse and a new width moves them all.
    if (columns == matrix_.columnCount() && rows >= matrix_.rowCount()) {
        std::lock_guard guard(feed_.lock);
        return matrix_.resize(columns, rows);
    }
    std::scoped_lock guard(feed_.rowsLock, feed_.lock);
    ++feed_.layout;
    const bool ok = matrix_.resize(columns, rows);
    if (feed_.publishedRows.load() > matrix_.rowCount())
        feed_.publishedRows.store(matrix_.rowCount());
    return ok;
}

bool LiveTermWriter::appendRowsUncleared(int count)
{
    std::lock_guard guard(feed_.lock);
    return matrix_.appendRowsUncleared(count);
}

void LiveTermWriter::setShared(int column, int row, int value)
{
    if (row < 0 || row >= feed_.publishedRows.load(std::memory_order_relaxed)) {
        matrix_.set(column, row, value);
    } else if (column == matrix_.lastColumn() && row <= matrix_.lastRow() && termcells::holds(value)) {
        // The row state: the reader loads the byte that holds it atomically
        // and needs no lock; the other cells of that byte stay as they are.
        std::atomic_ref byte(matrix_.row(row)[column >> 2]);
        std::uint8_t cells = byte.load(std::memory_order_relaxed);
        termcells::putCell(&cells, column & 3, value);
        byte.store(cells, std::memory_order_relaxed);
    } else {
        std::scoped_lock guard(feed_.rowsLock, feed_.lock);
        ++feed_.layout;
        matrix_.set(column, row, value);
    }
}

void LiveTermWriter::publishAll()
{
    std::lock_guard guard(feed_.lock);
    feed_.publishedRows.store(matrix_.rowCount());
}

} // namespace velmor
