#include "structure/ExchangeStructure.h"

#include "structure/EdgeEndpoints.h"

namespace velmor {

ExchangeStructure exchangeStructureOf(const ElementList& elements, const ByteMatrix& directedMatrix, bool directed,
                                      int sourceIndex, int destinationIndex)
{
    ExchangeStructure s;
    s.directed = directed;
    for (int i = 0; const ElementEntry* entry = elements.entryAt(i); ++i) {
        if (entry->kind == NodeKind) {
            s.nodes.push_back(ExchangeNode{entry->label, entry->availability, 0});
            continue;
        }
        if (entry->kind != EdgeKind)
            continue;
        int from = 0;
        int to = 0;
        if (!edgeEndpoints(directedMatrix, i, from, to))
            continue;
        const ElementEntry* fromNode = elements.entryAt(from);
        const ElementEntry* toNode = elements.entryAt(to);
        if (fromNode && toNode)
            s.edges.push_back(ExchangeEdge{entry->label, fromNode->label, toNode->label, entry->availability, 0});
    }
    auto nodeAt = [&elements](int index) {
        const ElementEntry* entry = index >= 0 ? elements.entryAt(index) : nullptr;
        return entry && entry->kind == NodeKind ? entry : nullptr;
    };
    const ElementEntry* source = nodeAt(sourceIndex);
    const ElementEntry* destination = nodeAt(destinationIndex);
    if (source && destination)
        s.pair = ExchangePair{source->label, destination->label, 0};
    return s;
}

} // namespace velmor
