#include "structure/IncidenceMarks.h"

namespace velmor {

void markArcs(const std::vector<Arc>& arcs, ByteMatrix& directedMatrix, ByteMatrix& undirectedMatrix)
{
    for (const Arc& arc : arcs) {
        directedMatrix.set(arc.edge, arc.from, 1);
        directedMatrix.set(arc.to, arc.edge, 1);
        undirectedMatrix.set(arc.edge, arc.from, 1);
        undirectedMatrix.set(arc.from, arc.edge, 1);
        undirectedMatrix.set(arc.edge, arc.to, 1);
        undirectedMatrix.set(arc.to, arc.edge, 1);
    }
}

} // namespace velmor
