#include "layout/StructurePicture.h"

#include "algorithms/Reduction.h"

#include <algorithm>
#include <cmath>

namespace velmor {

int StructurePicture::nodeOf(int element) const
{
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].element == element)
            return static_cast<int>(i);
    return -1;
}

int StructurePicture::edgeOf(int element) const
{
    for (std::size_t i = 0; i < edges.size(); ++i)
        if (edges[i].element == element)
            return static_cast<int>(i);
    return -1;
}

std::vector<bool> reductionKeeps(const ByteMatrix& matrix, int source, int destination)
{
    const int n = matrix.columnCount();
    if (n == 0 || matrix.rowCount() != n || source == destination || source < 0 || destination < 0 ||
        source >= n || destination >= n)
        return {};
    ByteMatrix work;
    if (!matrix.copyTo(work))
        return {};
    IntArray map;
    int s = source;
    int t = destination;
    if (!reduceStructure(s, t, work, map))
        return {};
    std::vector<bool> kept(static_cast<std::size_t>(n), false);
    for (int i = 0; i <= map.lastIndex(); ++i) {
        const int element = map.get(i);
        if (element >= 0 && element < n)
            kept[static_cast<std::size_t>(element)] = true;
    }
    return kept;
}

std::vector<double> importanceValues(const ImportanceResult& result, const PictureOptions& options, int elementCount)
{
    const bool samePair = options.sourceLabel && options.destinationLabel &&
                          *options.sourceLabel == result.sourceLabel &&
                          *options.destinationLabel == result.destinationLabel;
    const bool sameDirection = options.direction != Direction::None &&
                               (options.direction == Direction::Directed) == result.directed;
    if (result.status == ImportanceStatus::Failed || result.elements.empty() || !samePair || !sameDirection ||
        elementCount <= 0)
        return {};
    std::vector<double> values(static_cast<std::size_t>(elementCount), std::nan(""));
    for (const ElementImportance& e : result.elements)
        if (e.element.element >= 0 && e.element.element < elementCount)
            values[static_cast<std::size_t>(e.element.element)] = static_cast<double>(e.birnbaum);
    return values;
}

namespace {

bool isNode(const ElementList& elements, int index)
{
    const ElementEntry* entry = elements.entryAt(index);
    return entry && entry->kind == NodeKind;
}

// The ends of edge e in the directed matrix: the last node with an arc into
// e and the last node e has an arc into (the file writers' reading).
void directedEnds(const ElementList& elements, const ByteMatrix& directed, int e, int& from, int& to)
{
    from = -1;
    to = -1;
    const int last = std::max(directed.lastRow(), directed.lastColumn());
    for (int n = 0; n <= last; ++n) {
        if (!isNode(elements, n))
            continue;
        if (directed.get(e, n) == 1)
            from = n;
        if (directed.get(n, e) == 1)
            to = n;
    }
}

void undirectedEnds(const ElementList& elements, const ByteMatrix& undirected, const ByteMatrix& directed, int e,
                    int& from, int& to)
{
    from = -1;
    to = -1;
    const int last = std::max(undirected.lastRow(), undirected.lastColumn());
    for (int n = 0; n <= last && to < 0; ++n) {
        if (!isNode(elements, n) || (undirected.get(e, n) != 1 && undirected.get(n, e) != 1))
            continue;
        (from < 0 ? from : to) = n;
    }
    if (from >= 0 && to < 0) {
        int directedFrom = -1;
        int directedTo = -1;
        directedEnds(elements, directed, e, directedFrom, directedTo);
        if (directedFrom == from && directedTo == from)
            to = from; // a loop
    }
}

std::optional<int> nodeIndex(const ElementList& elements, const std::optional<std::int32_t>& label)
{
    int index = -1;
    if (label && elements.find(*label, NodeKind, index))
        return index;
    return std::nullopt;
}

} // namespace

StructurePicture buildStructurePicture(const ElementList& elements, const ByteMatrix& directedMatrix,
                                       const ByteMatrix& undirectedMatrix, const PictureOptions& options)
{
    StructurePicture picture;
    picture.directed = options.direction == Direction::Directed;
    const bool undirected = options.direction == Direction::Undirected;

    const std::optional<int> source = nodeIndex(elements, options.sourceLabel);
    const std::optional<int> destination = nodeIndex(elements, options.destinationLabel);
    std::vector<bool> kept;
    if (options.reduction && source && destination && options.direction != Direction::None)
        kept = reductionKeeps(undirected ? undirectedMatrix : directedMatrix, *source, *destination);
    picture.reduced = !kept.empty();

    std::vector<int> nodePlace(static_cast<std::size_t>(elements.count()), -1);
    for (int i = 0; i < elements.count(); ++i) {
        const ElementEntry& entry = *elements.entryAt(i);
        PictureElement element;
        element.element = i;
        element.label = entry.label;
        element.availability = entry.availability;
        element.removed = picture.reduced && (static_cast<std::size_t>(i) >= kept.size() || !kept[static_cast<std::size_t>(i)]);
        if (entry.kind == NodeKind) {
            PictureNode node;
            static_cast<PictureElement&>(node) = element;
            if (source && *source == i)
                node.role = NodeRole::Source;
            else if (destination && *destination == i)
                node.role = NodeRole::Destination;
            nodePlace[static_cast<std::size_t>(i)] = static_cast<int>(picture.nodes.size());
            if (node.role == NodeRole::Source)
                picture.source = static_cast<int>(picture.nodes.size());
            if (node.role == NodeRole::Destination)
                picture.destination = static_cast<int>(picture.nodes.size());
            picture.nodes.push_back(node);
        } else if (entry.kind == EdgeKind) {
            PictureEdge edge;
            static_cast<PictureElement&>(edge) = element;
            picture.edges.push_back(edge);
        }
    }
    for (PictureEdge& edge : picture.edges) {
        int from = -1;
        int to = -1;
        if (undirected)
            undirectedEnds(elements, undirectedMatrix, directedMatrix, edge.element, from, to);
        else
            directedEnds(elements, directedMatrix, edge.element, from, to);
        edge.from = from >= 0 ? nodePlace[static_cast<std::size_t>(from)] : -1;
        edge.to = to >= 0 ? nodePlace[static_cast<std::size_t>(to)] : -1;
    }
    return picture;
}

} // namespace velmor
