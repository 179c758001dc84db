// The production drivers. Until their tuned versions land they are the
// straightforward ones.
#include "algorithms/Abraham.h"
#include "algorithms/Enr.h"
#include "algorithms/Npr.h"
#include "algorithms/reference/Abraham.h"
#include "algorithms/reference/Enr.h"
#include "algorithms/reference/Npr.h"

namespace velmor {

bool runAbraham(AlgorithmRun& run, StructureWorkspace& ws, ByteMatrix& finalTerms)
{
    return reference::runAbraham(run, ws, finalTerms);
}

bool runNpr(AlgorithmRun& run, StructureWorkspace& ws, ByteMatrix& finalTerms)
{
    return reference::runNpr(run, ws, finalTerms);
}

bool runEnr(AlgorithmRun& run, StructureWorkspace& ws, ByteMatrix& finalTerms)
{
    return reference::runEnr(run, ws, finalTerms);
}

} // namespace velmor
