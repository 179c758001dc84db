#include "algorithms/AbrahamPaths.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmor {

namespace {

// States of a partial path.
constexpr std::int8_t kOpen = 0;
constexpr std::int8_t kComplete = 1;
constexpr std::int8_t kClosed = -1; // extended or discarded

// A path's way on that an earlier search settled (PathSearch::knownAfter).
struct KnownNext {
    int element = -1;
    std::uint32_t generation = 0;
    std::uint32_t below = 0;
};
constexpr std::uint32_t kAnyOrder = UINT32_MAX;

class PathSearch {
public:
    PathSearch(AlgorithmRun& run, const ElementArcs& arcs, const IntArray& state, int elements, int destination,
               bool normal)
        : run_(run), arcs_(arcs), elements_(elements), destination_(destination),
          usable_(static_cast<std::size_t>(elements)), candidateMark_(static_cast<std::size_t>(elements), 0),
          reachMark_(static_cast<std::size_t>(elements), 0), reachOrder_(static_cast<std::size_t>(elements), 0)
    {
        for (int e = 0; e < elements; ++e)
            usable_[static_cast<std::size_t>(e)] = state.get(e) != -1 || !normal;
        rows_.reset(elements);
    }

    void start(int source)
    {
        setAdd(rows_.append(), source);
        rowState_.push_back(kOpen);
        rowEnd_.push_back(source);
        rowKnown_.push_back({});
    }

    // Passes over the partial paths until one extends nothing; paths added
    // during a pass are visited in the same pass. The stop cell is read after
    // every row, extended or not.
    bool extendInPasses()
    {
        for (bool extended = true; extended && !stopped_;) {
            extended = false;
            for (int r = 0; r < rows_.rows(); ++r) {
                if (rowState_[static_cast<std::size_t>(r)] == kOpen) {
                    extendRow(r);
                    extended = true;
                }
                if (run_.checkPoint()) {
                    stopped_ = true;
                    break;
                }
            }
        }
        return stopped_;
    }

    const SetRows& rows() const { return rows_; }
    std::int8_t rowState(int r) const { return rowState_[static_cast<std::size_t>(r)]; }

private:
    bool allowed(const SetWord* path, int e) const
    {
        return usable_[static_cast<std::size_t>(e)] && candidateMark_[static_cast<std::size_t>(e)] != generation_
            && !setHas(path, e);
    }

    // Marks every element from which the destination can be entered without
    // passing the path, a candidate of this step or an unusable element: a
    // candidate is kept exactly when one of its arcs enters such an element
    // or the destination. One backward search serves all candidates.
    void markReaching(const SetWord* path)
    {
        queue_.clear();
        auto reach = [&](int target) {
            for (int u : arcs_.in(target)) {
                if (reachMark_[static_cast<std::size_t>(u)] == generation_ || !allowed(path, u))
                    continue;
                reachMark_[static_cast<std::size_t>(u)] = generation_;
                reachOrder_[static_cast<std::size_t>(u)] = static_cast<std::uint32_t>(queue_.size());
                queue_.push_back(u);
            }
        };
        reach(destination_);
        for (std::size_t k = 0; k < queue_.size(); ++k)
            reach(queue_[k]);
    }

    void nextGeneration()
    {
        if (++generation_ == 0) {
            std::fill(candidateMark_.begin(), candidateMark_.end(), 0);
            std::fill(reachMark_.begin(), reachMark_.end(), 0);
            std::fill(rowKnown_.begin(), rowKnown_.end(), KnownNext{});
            generation_ = 1;
        }
    }

    void extendRow(int r)
    {
        nextGeneration();
        const int end = rowEnd_[static_cast<std::size_t>(r)];
        const SetWord* path = rows_.row(r);

        // Candidates: the elements entered from the end that are not on the
        // path; the destination, when among them, is the only extension.
        candidates_.clear();
        bool destinationIsCandidate = false;
        for (int k : arcs_.out(end)) {
            if (setHas(path, k))
                continue;
            candidates_.push_back(k);
            candidateMark_[static_cast<std::size_t>(k)] = generation_;
            destinationIsCandidate = destinationIsCandidate || k == destination_;
        }
        kept_.clear();
        bool marked = false;
        KnownNext known = rowKnown_[static_cast<std::size_t>(r)];
        if (destinationIsCandidate) {
            kept_.push_back(destination_);
        } else {
            const bool destinationEnterable =
                usable_[static_cast<std::size_t>(destination_)] && !setHas(path, destination_);
            if (candidates_.size() == 1 && candidates_[0] == known.element && destinationEnterable && stillKnown(known)) {
                // Decided by an earlier step's search (see knownAfter).
                kept_.push_back(known.element);
                candidates_.clear();
            } else {
                known = {};
            }
            for (int j : candidates_) {
                if (!usable_[static_cast<std::size_t>(j)] || !destinationEnterable)
                    continue;
                if (!marked) {
                    markReaching(path);
                    marked = true;
                }
                for (int k : arcs_.out(j)) {
                    if (k == destination_ || reachMark_[static_cast<std::size_t>(k)] == generation_) {
                        kept_.push_back(j);
                        break;
                    }
                }
            }
        }

        rowState_[static_cast<std::size_t>(r)] = kClosed;
        rows_.reserveMore(static_cast<int>(kept_.size()));
        const int words = rows_.words();
        for (int candidate : kept_) {
            SetWord* added = rows_.append();
            const SetWord* from = rows_.row(r);
            std::copy(from, from + words, added);
            if (setHas(added, candidate))
                ++run_.anomalies; // an extension onto its own path
            setAdd(added, candidate);
            rowState_.push_back(candidate == destination_ ? kComplete : kOpen);
            rowEnd_.push_back(candidate);
            rowKnown_.push_back(candidate == destination_ ? KnownNext{}
                                : marked             ? knownAfter(added, candidate, generation_, kAnyOrder)
                                : known.element >= 0 ? knownAfter(added, candidate, known.generation,
                                                                  reachOrder_[static_cast<std::size_t>(candidate)])
                                                     : KnownNext{});
        }
    }

    // A path's only way on, when an earlier search settled that it is kept.
    // The search of generation `generation` marked it through an element
    // that enters the destination along elements marked before it: none of
    // them is on the path or the way on itself, since that search avoided
    // the path it started from and all of its candidates, and the elements
    // added since were marked later (`below`: the way on must be marked
    // before the element that ends the path; any order right after the
    // search). On a long chain that spares a search of the whole rest of
    // the chain at every step.
    KnownNext knownAfter(const SetWord* path, int end, std::uint32_t generation, std::uint32_t below) const
    {
        int next = -1;
        for (int k : arcs_.out(end)) {
            if (setHas(path, k))
                continue;
            if (next >= 0)
                return {};
            next = k;
        }
        return next >= 0 ? KnownNext{next, generation, below} : KnownNext{};
    }
    // Whether the marks of the search `known` relies on still stand.
    bool stillKnown(const KnownNext& known) const
    {
        if (known.element < 0)
            return false;
        const auto e = static_cast<std::size_t>(known.element);
        return reachMark_[e] == known.generation && reachOrder_[e] < known.below;
    }

public:
    bool stopped() const { return stopped_; }

private:
    AlgorithmRun& run_;
    const ElementArcs& arcs_;
    const int elements_;
    const int destination_;
    std::vector<char> usable_; // may be entered: state not -1, or "posebno"
    SetRows rows_;
    std::vector<std::int8_t> rowState_;
    std::vector<int> rowEnd_;
    std::vector<KnownNext> rowKnown_; // per row: see knownAfter

    // Marks of the present step, valid where they equal generation_.
    std::vector<std::uint32_t> candidateMark_;
    std::vector<std::uint32_t> reachMark_;
    std::vector<std::uint32_t> reachOrder_; // place in the search that marked it
    std::uint32_t generation_ = 0;
    std::vector<int> candidates_, kept_, queue_;
    bool stopped_ = false;
};

// The complete partial paths that still depend on an uncertain element
// ("normalno": a state-0 element; "posebno": any), under "normalno" without
// their elements of state 1. A complete path made only of elements that
// always work connects the terminals for certain and becomes the only path,
// whole; when no path depends on an uncertain element, the first complete
// one does.
void keepValidPaths(const PathSearch& search, const IntArray& state, bool normal, int elements, SetRows& paths)
{
    const int words = search.rows().words();
    std::vector<SetWord> certain(static_cast<std::size_t>(words), 0);
    std::vector<SetWord> uncertain(static_cast<std::size_t>(words), 0);
    for (int e = 0; e < elements; ++e) {
        if (state.get(e) == 1)
            setAdd(certain.data(), e);
        else if (state.get(e) == 0)
            setAdd(uncertain.data(), e);
    }
    paths.reset(elements);
    int fallback = -1;
    int certainPath = -1;
    const SetRows& rows = search.rows();
    for (int r = 0; r < rows.rows(); ++r) {
        if (search.rowState(r) != kComplete)
            continue;
        const SetWord* row = rows.row(r);
        if (fallback < 0)
            fallback = r;
        bool onlyCertain = true;
        bool valid = false;
        for (int w = 0; w < words; ++w) {
            onlyCertain = onlyCertain && (row[w] & ~certain[static_cast<std::size_t>(w)]) == 0;
            valid = valid || (normal ? (row[w] & uncertain[static_cast<std::size_t>(w)]) != 0 : row[w] != 0);
        }
        if (normal && certainPath < 0 && onlyCertain)
            certainPath = r;
        if (!valid)
            continue;
        SetWord* kept = paths.append();
        for (int w = 0; w < words; ++w)
            kept[w] = normal ? row[w] & ~certain[static_cast<std::size_t>(w)] : row[w];
    }
    const int whole = certainPath >= 0 ? certainPath : paths.rows() == 0 ? fallback : -1;
    if (whole >= 0) {
        paths.reset(elements);
        std::copy(rows.row(whole), rows.row(whole) + words, paths.append());
    }
}

struct Ordered {
    int path;    // index in the order found
    int count;   // element count
    int group;   // rank of its element count, from 1
    int overlap; // elements shared with the paths of lower groups, summed
};

} // namespace

bool findAbrahamPaths(AlgorithmRun& run, StructureWorkspace& ws, const ElementArcs& arcs, SetRows& paths)
{
    const int last = ws.workMatrix.lastRow();
    const int s = ws.workSourceIndex;
    const int t = ws.workDestinationIndex;
    if (ws.workMatrix.lastColumn() != last || s < 0 || s > last || t < 0 || t > last)
        return false;
    const bool normal = run.normal();
    PathSearch search(run, arcs, ws.workElementState, last + 1, t, normal);
    search.start(s);
    if (search.extendInPasses())
        run.markStopped();
    keepValidPaths(search, ws.workElementState, normal, last + 1, paths);
    return true;
}

void sortAbrahamPaths(SetRows& paths, int elements, int rule, ByteMatrix& matrix, IntArray& lengths,
                      IntArray& overlaps)
{
    lengths.clear();
    overlaps.clear();
    const int count = paths.rows();
    const int words = paths.words();
    if (count == 0) {
        matrix.clear();
        return;
    }
    std::vector<Ordered> ordered(static_cast<std::size_t>(count));
    for (int p = 0; p < count; ++p)
        ordered[static_cast<std::size_t>(p)] = {p, setCount(paths.row(p), words), 0, 0};

    if (rule >= 1) {
        // Rule 1a: stable by ascending element count; the group is the rank
        // of the count among the counts present.
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const Ordered& a, const Ordered& b) { return a.count < b.count; });
        int group = 0;
        for (std::size_t k = 0; k < ordered.size(); ++k) {
            if (k == 0 || ordered[k].count != ordered[k - 1].count)
                ++group;
            ordered[k].group = group;
        }
    }
    if (rule >= 2) {
        // Rule 2a: the overlap of a path is the sum, over the paths of lower
        // groups, of the elements it shares with each; that is the sum over
        // its elements of how many lower-group paths hold them.
        std::vector<int> held(static_cast<std::size_t>(elements), 0);
        std::size_t groupStart = 0;
        while (groupStart < ordered.size()) {
            std::size_t groupEnd = groupStart;
            while (groupEnd < ordered.size() && ordered[groupEnd].group == ordered[groupStart].group)
                ++groupEnd;
            for (std::size_t k = groupStart; k < groupEnd; ++k) {
                Ordered& o = ordered[k];
                if (o.group == 1) {
                    o.overlap = o.count;
                    continue;
                }
                forEachElement(paths.row(o.path), words,
                               [&](int e) { o.overlap += held[static_cast<std::size_t>(e)]; });
            }
            for (std::size_t k = groupStart; k < groupEnd; ++k)
                forEachElement(paths.row(ordered[k].path), words,
                               [&](int e) { ++held[static_cast<std::size_t>(e)]; });
            groupStart = groupEnd;
        }
        std::stable_sort(ordered.begin(), ordered.end(), [](const Ordered& a, const Ordered& b) {
            return a.group != b.group ? a.group < b.group : a.overlap > b.overlap;
        });
    }

    SetRows sorted;
    sorted.reset(elements);
    sorted.reserveMore(count);
    for (const Ordered& o : ordered)
        std::copy(paths.row(o.path), paths.row(o.path) + words, sorted.append());
    paths = std::move(sorted);

    if (!matrix.allocate(elements, count)) {
        matrix.clear(); // out of memory: no paths rather than unsorted rows
        paths.reset(elements);
        return;
    }
    for (int p = 0; p < count; ++p)
        setToCells(paths.row(p), words, matrix.row(p), 1);
    if (rule <= 0)
        return;
    if (!lengths.allocate(count) || !overlaps.allocate(count)) {
        matrix.clear();
        lengths.clear();
        overlaps.clear();
        paths.reset(elements);
        return;
    }
    for (int p = 0; p < count; ++p) {
        const Ordered& o = ordered[static_cast<std::size_t>(p)];
        lengths.set(p, o.count);
        overlaps.set(p, rule >= 2 ? o.overlap : 0);
    }
}

} // namespace velmor
