#include "algorithms/reference/Abraham.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velmor::reference {

namespace {

// States of a row of the path search.
constexpr int kOpen = 0;
constexpr int kComplete = 1;
constexpr int kClosed = -1; // extended or discarded

constexpr int kWholeRunSlot = 0;
constexpr int kSearchSlot = 1;
constexpr int kSortSlot = 2;
constexpr int kExecutionSlot = 3;

// --- Path search ---------------------------------------------------------------

// The partial paths of the search: element cells 0..n, then the state, then
// the end element. Cells are 32 bits wide so that the end element can name
// any element. Storage grows geometrically; `count` is the rows in use.
class PartialPaths {
public:
    bool start(int elements, int source)
    {
        elements_ = elements;
        count_ = 0;
        if (!cells_.allocate(elements + 2, 16))
            return false;
        if (!addRow())
            return false;
        std::int32_t* first = cells_.row(0);
        first[source] = 1;
        first[stateColumn()] = kOpen;
        first[endColumn()] = source;
        return true;
    }

    int count() const { return count_; }
    int stateColumn() const { return elements_; }
    int endColumn() const { return elements_ + 1; }
    std::int32_t* row(int r) { return cells_.row(r); }
    const std::int32_t* row(int r) const { return cells_.row(r); }

    // Appends row `from` extended by `element`; `repeated` tells whether the
    // element was already on it.
    bool appendExtension(int from, int element, int state, bool& repeated)
    {
        if (!addRow())
            return false;
        std::int32_t* added = cells_.row(count_ - 1);
        std::memcpy(added, cells_.row(from), sizeof(std::int32_t) * static_cast<std::size_t>(elements_));
        repeated = added[element] != 0;
        added[element] = 1;
        added[stateColumn()] = state;
        added[endColumn()] = element;
        return true;
    }

    // The rows in use without the end-element column.
    bool copyWithoutEnd(ByteMatrix& target) const
    {
        if (!target.allocate(elements_ + 1, count_))
            return false;
        for (int r = 0; r < count_; ++r)
            for (int c = 0; c <= elements_; ++c)
                target.row(r)[c] = static_cast<std::int8_t>(cells_.row(r)[c]);
        return true;
    }

private:
    bool addRow()
    {
        if (count_ == cells_.rowCount() && !cells_.resize(cells_.columnCount(), 2 * cells_.rowCount()))
            return false;
        std::memset(cells_.row(count_), 0, sizeof(std::int32_t) * static_cast<std::size_t>(cells_.columnCount()));
        ++count_;
        return true;
    }

    WideMatrix cells_;
    int elements_ = 0;
    int count_ = 0;
};

struct Search {
    AlgorithmRun& run;
    const ByteMatrix& graph;
    const IntArray& state;
    int destination;
    bool normal;
    PartialPaths paths;
    ByteMatrix copy;
    std::vector<int> kept;
};

bool usable(const Search& search, int element)
{
    return search.state.get(element) != -1 || !search.normal;
}

// The candidates of extending a path that ends at `end`, after cutting those
// from which the destination cannot be reached. The destination, when it is
// a candidate, is the only extension.
bool keepCandidates(Search& search, const std::int32_t* path, int end)
{
    if (!search.graph.copyTo(search.copy))
        return false;
    markArcsFrom(search.copy, end);
    for (int e = 0; e <= search.graph.lastColumn(); ++e)
        if (path[e] == 1)
            blockArcsInto(search.copy, e);
    search.kept.clear();
    if (enteredByLeavingArc(search.copy, search.destination)) {
        search.kept.push_back(search.destination);
        return true;
    }
    for (int j = 0; j <= search.graph.lastColumn(); ++j) {
        if (!enteredByLeavingArc(search.copy, j) || !usable(search, j))
            continue;
        if (reachesDestination(search.copy, j, search.destination, search.state, search.normal, true))
            search.kept.push_back(j);
    }
    return true;
}

bool extendRow(Search& search, int r)
{
    const int end = search.paths.row(r)[search.paths.endColumn()];
    if (end < 0 || end > search.graph.lastColumn())
        return false;
    if (!keepCandidates(search, search.paths.row(r), end))
        return false;
    search.paths.row(r)[search.paths.stateColumn()] = kClosed;
    for (int candidate : search.kept) {
        const int state = candidate == search.destination ? kComplete : kOpen;
        bool repeated = false;
        if (!search.paths.appendExtension(r, candidate, state, repeated))
            return false;
        if (repeated)
            ++search.run.anomalies;
    }
    return true;
}

// Passes over the rows until one extends nothing; rows appended during a
// pass are visited in the same pass. `stopped` tells whether a stop ended it.
bool extendInPasses(Search& search, bool& stopped)
{
    stopped = false;
    for (bool extended = true; extended && !stopped;) {
        extended = false;
        for (int r = 0; r < search.paths.count(); ++r) {
            if (search.paths.row(r)[search.paths.stateColumn()] == kOpen) {
                if (!extendRow(search, r))
                    return false;
                extended = true;
            }
            if (search.run.checkPoint()) {
                stopped = true;
                break;
            }
        }
    }
    return true;
}

// Under "normalno" a path that needs an element of availability 1 does not
// depend on it, and one that needs an element of availability 0 never works.
bool countsForPath(int elementState, bool normal)
{
    return !normal || elementState == 0;
}

// True when every element of the row always works.
bool onlyCertainElements(const std::int8_t* row, int elements, const IntArray& state)
{
    for (int e = 0; e < elements; ++e)
        if (row[e] == 1 && state.get(e) != 1)
            return false;
    return true;
}

// Keeps the complete rows that still depend on some uncertain element; when
// none does, the first complete row, whole, becomes the only path.
//
// A complete path made only of elements that always work connects the
// terminals for certain: it becomes the only path, whole, so that the
// availability is 1. Dropping it while other paths stay would leave out
// exactly the states in which those other paths fail.
void keepValidRows(ByteMatrix& paths, const IntArray& state, bool normal)
{
    const int stateColumn = paths.lastColumn();
    std::vector<std::int8_t> fallback;
    std::vector<std::int8_t> certainPath;
    bool anyValid = false;
    for (int r = 0; r <= paths.lastRow(); ++r) {
        std::int8_t* row = paths.row(r);
        if (row[stateColumn] != kComplete) {
            row[stateColumn] = kClosed;
            continue;
        }
        if (fallback.empty())
            fallback.assign(row, row + stateColumn + 1);
        if (normal && certainPath.empty() && onlyCertainElements(row, stateColumn, state))
            certainPath.assign(row, row + stateColumn + 1);
        bool valid = false;
        for (int e = 0; e < stateColumn; ++e) {
            if (row[e] != 1)
                continue;
            if (normal && state.get(e) == 1)
                row[e] = 0;
            else if (countsForPath(state.get(e), normal))
                valid = true;
        }
        if (valid)
            anyValid = true;
        else
            row[stateColumn] = kClosed;
    }
    if (!certainPath.empty()) {
        for (int r = 0; r <= paths.lastRow(); ++r)
            paths.row(r)[stateColumn] = kClosed;
        std::copy(certainPath.begin(), certainPath.end(), paths.row(0));
    } else if (!anyValid && !fallback.empty()) {
        std::copy(fallback.begin(), fallback.end(), paths.row(0));
    }
}

// --- Sorting -----------------------------------------------------------------------

struct SortedPath {
    int row;     // row in the matrix of kept paths
    int count;   // element count
    int group;   // rank of its element count, from 1
    int overlap; // shared elements with the paths of lower groups
};

int elementCount(const ByteMatrix& paths, int r)
{
    int count = 0;
    for (int c = 0; c <= paths.lastColumn(); ++c)
        count += paths.row(r)[c] == 1;
    return count;
}

int sharedElements(const ByteMatrix& paths, int a, int b)
{
    int shared = 0;
    for (int c = 0; c <= paths.lastColumn(); ++c)
        shared += paths.row(a)[c] == 1 && paths.row(b)[c] == 1;
    return shared;
}

// The rows of state 1, in order, over the element columns only.
bool validRows(const ByteMatrix& paths, ByteMatrix& valid)
{
    const int stateColumn = paths.lastColumn();
    std::vector<int> rows;
    for (int r = 0; r <= paths.lastRow(); ++r)
        if (paths.row(r)[stateColumn] == kComplete)
            rows.push_back(r);
    if (!valid.allocate(stateColumn, static_cast<int>(rows.size())))
        return false;
    for (int k = 0; k <= valid.lastRow(); ++k)
        std::memcpy(valid.row(k), paths.row(rows[static_cast<std::size_t>(k)]), static_cast<std::size_t>(stateColumn));
    return true;
}

// Rule 1a: stable order by ascending element count, with the rank of each count.
std::vector<SortedPath> byElementCount(const ByteMatrix& paths)
{
    std::vector<SortedPath> found;
    for (int r = 0; r <= paths.lastRow(); ++r)
        found.push_back({r, elementCount(paths, r), 0, 0});
    const auto [least, most] = std::minmax_element(found.begin(), found.end(),
                                                   [](const SortedPath& a, const SortedPath& b) { return a.count < b.count; });
    std::vector<SortedPath> ordered;
    int group = 0;
    for (int length = least->count; length <= most->count; ++length) {
        bool present = false;
        for (const SortedPath& path : found) {
            if (path.count != length)
                continue;
            if (!present)
                ++group;
            present = true;
            ordered.push_back(path);
            ordered.back().group = group;
        }
    }
    return ordered;
}

// Rule 2a: within each group, descending overlap with the shorter paths.
void byOverlap(const ByteMatrix& paths, std::vector<SortedPath>& ordered)
{
    for (std::size_t j = 0; j < ordered.size(); ++j) {
        SortedPath& path = ordered[j];
        if (path.group == 1) {
            path.overlap = path.count;
            continue;
        }
        for (std::size_t l = 0; l < j && ordered[l].group < path.group; ++l)
            path.overlap += sharedElements(paths, ordered[l].row, path.row);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const SortedPath& a, const SortedPath& b) {
        return a.group != b.group ? a.group < b.group : a.overlap > b.overlap;
    });
}

bool writeSorted(const ByteMatrix& valid, const std::vector<SortedPath>& ordered, int rule, ByteMatrix& sorted,
                 IntArray& lengths, IntArray& overlaps)
{
    const int count = static_cast<int>(ordered.size());
    if (!sorted.allocate(valid.columnCount(), count) || !lengths.allocate(count) || !overlaps.allocate(count))
        return false;
    for (int k = 0; k < count; ++k) {
        const SortedPath& path = ordered[static_cast<std::size_t>(k)];
        std::memcpy(sorted.row(k), valid.row(path.row), static_cast<std::size_t>(valid.columnCount()));
        lengths.set(k, path.count);
        overlaps.set(k, rule >= 2 ? path.overlap : 0);
    }
    return true;
}

// --- Disjoint products -----------------------------------------------------------

struct Products {
    AlgorithmRun& run;
    StructureWorkspace& ws;
    LiveTermWriter writer;
    std::vector<std::vector<int>> elements; // elements of each sorted path, ascending
    std::vector<char> holdsFailed;          // the path has a cell -1
    ByteMatrix current;                     // W
    ByteMatrix next;                        // T
    IntArray missing;                       // X
};

std::int64_t measureWorkingSet(const Products& pd)
{
    return pd.ws.abrahamPaths.byteSize() + pd.ws.abraham.links.byteSize() + pd.ws.abrahamProducts.byteSize()
         + pd.current.byteSize() + pd.missing.byteSize() + pd.next.byteSize();
}

void describePaths(Products& pd)
{
    const ByteMatrix& paths = pd.ws.abrahamPaths;
    for (int r = 0; r <= paths.lastRow(); ++r) {
        std::vector<int> on;
        bool failed = false;
        for (int c = 0; c <= paths.lastColumn(); ++c) {
            if (paths.row(r)[c] == 1)
                on.push_back(c);
            else if (paths.row(r)[c] == -1)
                failed = true;
        }
        pd.elements.push_back(std::move(on));
        pd.holdsFailed.push_back(failed);
    }
}

// How term `k` of W stands to path j: -1 when it already excludes the path,
// else the number of the path's elements that it leaves open.
int openElements(const Products& pd, int k, int j)
{
    const std::int8_t* term = pd.current.row(k);
    int open = 0;
    for (int e : pd.elements[static_cast<std::size_t>(j)]) {
        if (term[e] == -1)
            return -1;
        open += term[e] == 0;
    }
    return open;
}

// Writes the terms of `term` and not-path-j into T from row `out` on: the
// open elements x1 < x2 < ... in turn failed, those before them working.
int expandTerm(Products& pd, const std::int8_t* term, int j, int out)
{
    const std::vector<int>& on = pd.elements[static_cast<std::size_t>(j)];
    const auto columns = static_cast<std::size_t>(pd.current.columnCount());
    for (int e : on)
        pd.missing.set(e, term[e] == 0);
    std::vector<std::int8_t> prefix(term, term + columns);
    for (int e : on) {
        if (pd.missing.get(e) == 0)
            continue;
        std::int8_t* row = pd.next.row(out++);
        std::memcpy(row, prefix.data(), columns);
        row[e] = -1;
        prefix[static_cast<std::size_t>(e)] = 1;
        pd.missing.set(e, 0);
    }
    return out;
}

// W := W and not-path-j. A term inside path j is dropped; when every term is,
// W becomes empty, never a term without conditions.
bool excludePath(Products& pd, int j)
{
    std::vector<int> open(static_cast<std::size_t>(pd.current.rowCount()));
    int rows = 0;
    for (int k = 0; k < pd.current.rowCount(); ++k) {
        if (pd.holdsFailed[static_cast<std::size_t>(j)])
            return false;
        open[static_cast<std::size_t>(k)] = openElements(pd, k, j);
        rows += open[static_cast<std::size_t>(k)] < 0 ? 1 : open[static_cast<std::size_t>(k)];
    }
    if (!pd.next.allocate(pd.current.columnCount(), rows))
        return false;
    int out = 0;
    for (int k = 0; k < pd.current.rowCount(); ++k) {
        const std::int8_t* term = pd.current.row(k);
        if (open[static_cast<std::size_t>(k)] < 0)
            std::memcpy(pd.next.row(out++), term, static_cast<std::size_t>(pd.current.columnCount()));
        else
            out = expandTerm(pd, term, j, out);
    }
    pd.current = std::move(pd.next);
    pd.next.clear();
    return true;
}

void copyPath(const Products& pd, int i, ByteMatrix& target)
{
    std::memcpy(target.row(0), pd.ws.abrahamPaths.row(i), static_cast<std::size_t>(target.columnCount()));
}

void copyPath(const Products& pd, int i, TermRows& target)
{
    target.writeRow(0, pd.ws.abrahamPaths.row(i));
}

// Appends the terms of path i, then makes them readable to the coordinator.
bool appendTerms(Products& pd, int i)
{
    const int count = pd.current.rowCount();
    pd.ws.abraham.partialCount.store(std::max(count - 1, 0), std::memory_order_relaxed);
    if (count > 0) {
        const int first = pd.ws.abrahamProducts.rowCount();
        if (!pd.writer.appendRows(count))
            return false;
        for (int k = 0; k < count; ++k) {
            pd.ws.abrahamProducts.writeRow(first + k, pd.current.row(k));
            pd.ws.abraham.links.append(i);
        }
    }
    pd.writer.publishAll();
    return true;
}

bool startProducts(Products& pd)
{
    if (!pd.writer.allocate(pd.ws.abrahamPaths.columnCount(), 1))
        return false;
    copyPath(pd, 0, pd.ws.abrahamProducts);
    pd.writer.publishAll();
    pd.ws.abraham.links.clear();
    if (!pd.ws.abraham.links.allocate(1) || !pd.missing.allocate(pd.ws.abrahamPaths.columnCount()))
        return false;
    pd.ws.abraham.iterations.store(0, std::memory_order_relaxed);
    return true;
}

// Merges path i with every earlier path; `stopped` when a stop ended it.
bool mergePath(Products& pd, int i, bool& stopped)
{
    const int last = pd.ws.abrahamPaths.lastRow();
    if (!pd.current.allocate(pd.ws.abrahamPaths.columnCount(), 1))
        return false;
    copyPath(pd, i, pd.current);
    for (int j = 0; j < i; ++j) {
        if (!excludePath(pd, j))
            return false;
        if (pd.run.endIteration(measureWorkingSet(pd), i, last)) {
            stopped = true;
            return true;
        }
    }
    return appendTerms(pd, i);
}

} // namespace

bool findMinimalPaths(AlgorithmRun& run, StructureWorkspace& ws)
{
    const ByteMatrix& graph = ws.workMatrix;
    const int last = graph.lastRow();
    const int s = ws.workSourceIndex;
    const int t = ws.workDestinationIndex;
    if (graph.lastColumn() != last || s < 0 || s > last || t < 0 || t > last)
        return false;
    const bool normal = run.normal();
    Search search{run, graph, ws.workElementState, t, normal, {}, {}, {}};
    if (!search.paths.start(last + 1, s))
        return false;
    bool stopped = false;
    if (!extendInPasses(search, stopped))
        return false;
    if (stopped)
        run.markStopped();
    if (!search.paths.copyWithoutEnd(ws.abrahamPaths))
        return false;
    keepValidRows(ws.abrahamPaths, ws.workElementState, normal);
    return true;
}

bool sortPaths(ByteMatrix& paths, IntArray& lengths, IntArray& overlaps, int rule)
{
    lengths.clear();
    overlaps.clear();
    ByteMatrix valid;
    if (paths.lastColumn() < 1 || !validRows(paths, valid) || valid.empty()) {
        paths.clear();
        return true;
    }
    if (rule <= 0) {
        paths = std::move(valid);
        return true;
    }
    std::vector<SortedPath> ordered = byElementCount(valid);
    if (rule >= 2)
        byOverlap(valid, ordered);
    ByteMatrix sorted;
    if (!writeSorted(valid, ordered, rule, sorted, lengths, overlaps))
        sorted.clear(); // out of memory: no paths rather than unsorted rows
    paths = std::move(sorted);
    return true;
}

bool buildDisjointProducts(AlgorithmRun& run, StructureWorkspace& ws)
{
    Products pd{run, ws, LiveTermWriter(ws.abrahamProducts, ws.abraham.feed), {}, {}, {}, {}, {}};
    const int pathCount = ws.abrahamPaths.rowCount();
    if (pathCount == 0) {
        pd.writer.allocate(0, 0);
        ws.abraham.links.clear();
        return true;
    }
    describePaths(pd);
    if (!startProducts(pd))
        return false;
    if (pathCount == 1)
        ws.abraham.memoryLog.record(run.nextSample++, measureWorkingSet(pd));
    bool stopped = false;
    for (int i = 1; i < pathCount && !stopped; ++i)
        if (!mergePath(pd, i, stopped))
            return false;
    if (stopped)
        run.markStopped();
    return true;
}

bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    run.startSlot(kWholeRunSlot);
    run.startSlot(kSearchSlot);
    if (!findMinimalPaths(run, ws)) {
        run.stopSlot(kSearchSlot);
        run.stopSlot(kWholeRunSlot);
        return false;
    }
    run.stopSlot(kSearchSlot);

    run.startSlot(kSortSlot);
    sortPaths(ws.abrahamPaths, ws.abrahamSortArray1, ws.abrahamSortArray2, run.variant());
    run.stopSlot(kSortSlot);

    run.startSlot(kExecutionSlot);
    const bool built = buildDisjointProducts(run, ws);
    run.stopSlot(kExecutionSlot);
    run.stopSlot(kWholeRunSlot);
    if (!built)
        return false;

    if (ws.abrahamProducts.empty())
        finalTerms.clear();
    else if (!ws.abrahamProducts.copyTo(finalTerms))
        return false;
    run.storeResultCode();
    return true;
}

} // namespace velmor::reference
