#include "structure/EdgeEndpoints.h"

namespace velmor {

bool edgeEndpoints(const ByteMatrix& directedMatrix, int edge, int& from, int& to)
{
    from = -1;
    to = -1;
    for (int r = 0; r <= directedMatrix.lastRow(); ++r) {
        if (directedMatrix.get(edge, r) == 1)
            from = r;
        if (directedMatrix.get(r, edge) == 1)
            to = r;
    }
    return from >= 0 && to >= 0;
}

} // namespace velmor
