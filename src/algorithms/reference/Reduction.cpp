#include "algorithms/reference/Reduction.h"

#include <cstdint>
#include <vector>

namespace velmor::reference {

namespace {

// Reach marks of one search.
enum Reach : std::int8_t { Unreached = 0, Open = 1, Followed = -1 };

using Adjacency = std::vector<std::vector<int>>;

// One cell of the matrix.
struct Cell {
    int from;
    int to;
};

// Usable arcs (cells holding 1) as lists: out[a] = elements entered from a,
// in[b] = elements that enter b. Built once, so that every cut step follows
// arcs without copying and marking the whole matrix.
//
// A search marks the arcs it follows with 2 and then reaches every element
// that a cell holding 2 enters (forwards) or leaves (backwards). A cell that
// holds 2 from the start therefore reaches its element in every cut step in
// which it is not blocked (it touches the cut element): such cells are kept
// apart. Every other value is no arc.
struct ArcLists {
    Adjacency out;
    Adjacency in;
    std::vector<Cell> leaving;
};

ArcLists usableArcs(const ByteMatrix& matrix)
{
    const auto count = static_cast<std::size_t>(matrix.rowCount());
    ArcLists arcs{Adjacency(count), Adjacency(count), {}};
    for (int a = 0; a <= matrix.lastRow(); ++a) {
        const std::int8_t* row = matrix.row(a);
        for (int b = 0; b <= matrix.lastColumn(); ++b) {
            if (row[b] == 2)
                arcs.leaving.push_back({a, b});
            if (row[b] != 1)
                continue;
            arcs.out[static_cast<std::size_t>(a)].push_back(b);
            arcs.in[static_cast<std::size_t>(b)].push_back(a);
        }
    }
    return arcs;
}

// The elements that the given cells holding 2 reach in a search, `forward`
// or backward, while `cut` is taken out.
std::vector<int> reachedByLeavingCells(const std::vector<Cell>& leaving, int cut, bool forward)
{
    std::vector<int> reached;
    for (const Cell& cell : leaving)
        if (cell.from != cut && cell.to != cut)
            reached.push_back(forward ? cell.to : cell.from);
    return reached;
}

// Marks everything reachable from `start` (and from `alsoReached`) along
// `next` without touching the cut element, in passes over the elements in
// ascending order. Elements still Unreached afterwards are cut off.
std::vector<std::int8_t> searchAvoiding(const Adjacency& next, int start, const std::vector<int>& alsoReached,
                                        int cut)
{
    std::vector<std::int8_t> reach(next.size(), Unreached);
    reach[static_cast<std::size_t>(cut)] = Followed;
    reach[static_cast<std::size_t>(start)] = Open;
    for (int k : alsoReached)
        if (reach[static_cast<std::size_t>(k)] == Unreached)
            reach[static_cast<std::size_t>(k)] = Open;
    std::vector<int> entered;
    bool reachedNew = true;
    while (reachedNew) {
        entered.clear();
        for (std::size_t j = 0; j < next.size(); ++j) {
            if (reach[j] != Open)
                continue;
            // Arcs out of the cut element are blocked.
            if (static_cast<int>(j) != cut)
                for (int k : next[j])
                    if (k != cut)
                        entered.push_back(k);
            reach[j] = Followed;
        }
        reachedNew = false;
        for (int k : entered) {
            if (reach[static_cast<std::size_t>(k)] == Unreached) {
                reach[static_cast<std::size_t>(k)] = Open;
                reachedNew = true;
            }
        }
    }
    return reach;
}

// Clears the keep mark of every element that taking out `cut` separates both
// from the source and from the destination.
void cutStep(const ArcLists& arcs, int source, int destination, int cut, std::vector<char>& keep)
{
    const std::vector<std::int8_t> forward =
        searchAvoiding(arcs.out, source, reachedByLeavingCells(arcs.leaving, cut, true), cut);
    const std::vector<std::int8_t> backward =
        searchAvoiding(arcs.in, destination, reachedByLeavingCells(arcs.leaving, cut, false), cut);
    for (std::size_t j = 0; j < keep.size(); ++j)
        if (forward[j] == Unreached && backward[j] == Unreached)
            keep[j] = 0;
}

// Rebuilds the matrix over the kept elements in their old order and records,
// per new index, the old one.
bool renumber(const std::vector<char>& keep, int& source, int& destination, ByteMatrix& matrix,
              IntArray& elementMap)
{
    std::vector<int> oldIndex;
    std::vector<int> newIndex(keep.size(), -1);
    for (std::size_t j = 0; j < keep.size(); ++j) {
        if (!keep[j])
            continue;
        newIndex[j] = static_cast<int>(oldIndex.size());
        oldIndex.push_back(static_cast<int>(j));
    }
    const int kept = static_cast<int>(oldIndex.size());
    ByteMatrix reduced;
    IntArray map;
    if (!reduced.allocate(kept, kept) || !map.allocate(kept))
        return false;
    for (int a = 0; a < kept; ++a) {
        const std::int8_t* from = matrix.row(oldIndex[static_cast<std::size_t>(a)]);
        std::int8_t* to = reduced.row(a);
        for (int b = 0; b < kept; ++b)
            to[b] = from[oldIndex[static_cast<std::size_t>(b)]];
        map.set(a, oldIndex[static_cast<std::size_t>(a)]);
    }
    matrix = std::move(reduced);
    elementMap = std::move(map);
    source = newIndex[static_cast<std::size_t>(source)];
    destination = newIndex[static_cast<std::size_t>(destination)];
    return true;
}

} // namespace

bool reduceStructure(int& workSourceIndex, int& workDestinationIndex, ByteMatrix& workMatrix, IntArray& elementMap)
{
    const int last = workMatrix.lastRow();
    if (workMatrix.lastColumn() != last)
        return false;
    const int s = workSourceIndex;
    const int t = workDestinationIndex;
    if (s < 0 || s > last || t < 0 || t > last)
        return false;
    if (s == t)
        return true;

    const ArcLists arcs = usableArcs(workMatrix);
    std::vector<char> keep(static_cast<std::size_t>(last + 1), 1);
    for (int cut = 0; cut <= last; ++cut)
        cutStep(arcs, s, t, cut, keep);
    return renumber(keep, workSourceIndex, workDestinationIndex, workMatrix, elementMap);
}

} // namespace velmor::reference
