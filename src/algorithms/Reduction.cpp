#include "algorithms/Reduction.h"

#include <cstdint>
#include <vector>

namespace velmor {

namespace {

// Reach marks of one search.
enum Reach : std::int8_t { Unreached = 0, Open = 1, Followed = -1 };

using Adjacency = std::vector<std::vector<int>>;

// Usable arcs (cells holding 1) as lists: out[a] = elements entered from a,
// in[b] = elements that enter b. Built once, so that every cut step follows
// arcs without copying and marking the whole matrix.
struct ArcLists {
    Adjacency out;
    Adjacency in;
};

ArcLists usableArcs(const ByteMatrix& matrix)
{
    const auto count = static_cast<std::size_t>(matrix.rowCount());
    ArcLists arcs{Adjacency(count), Adjacency(count)};
    for (int a = 0; a <= matrix.lastRow(); ++a) {
        const std::int8_t* row = matrix.row(a);
        for (int b = 0; b <= matrix.lastColumn(); ++b) {
            if (row[b] != 1)
                continue;
            arcs.out[static_cast<std::size_t>(a)].push_back(b);
            arcs.in[static_cast<std::size_t>(b)].push_back(a);
        }
    }
    return arcs;
}

// Marks everything reachable from `start` along `next` without touching the
// cut element, in passes over the elements in ascending order. Elements still
// Unreached afterwards are cut off from `start`.
std::vector<std::int8_t> searchAvoiding(const Adjacency& next, int start, int cut)
{
    std::vector<std::int8_t> reach(next.size(), Unreached);
    reach[static_cast<std::size_t>(cut)] = Followed;
    reach[static_cast<std::size_t>(start)] = Open;
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
    const std::vector<std::int8_t> forward = searchAvoiding(arcs.out, source, cut);
    const std::vector<std::int8_t> backward = searchAvoiding(arcs.in, destination, cut);
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

} // namespace velmor
