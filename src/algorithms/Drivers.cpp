// The production drivers that still forward to the straightforward ones.
#include "algorithms/Abraham.h"
#include "algorithms/reference/Abraham.h"

namespace velmor {

bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, ByteMatrix& finalTerms)
{
    return reference::runAbraham(run, ws, finalTerms);
}

} // namespace velmor
