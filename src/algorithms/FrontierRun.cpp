#include "algorithms/FrontierRun.h"

#include "algorithms/Frontier.h"

namespace velmor {

namespace {

constexpr int kWholeRunSlot = 0;
constexpr int kExecutionSlot = 1;

} // namespace

bool runFrontierAlgorithm(AlgorithmRun& run, StructureWorkspace& ws, TermRows& finalTerms)
{
    finalTerms.clear();
    run.startSlot(kWholeRunSlot);
    run.startSlot(kExecutionSlot);
    const FrontierInput input = frontierInput(ws, run.idealTerminals());
    FrontierControl control;
    control.endStep = [&run](const FrontierProgress& p) { return run.endIteration(p.workingSet, p.done, p.total); };
    control.checkPoint = [&run] { return run.checkPoint(); };
    const FrontierResult result = runFrontier(input, control);
    run.stopSlot(kExecutionSlot);
    run.stopSlot(kWholeRunSlot);
    if (result.status == FrontierStatus::Refused)
        return false;
    if (result.status != FrontierStatus::Done)
        run.markStopped();
    // Done, the bracket has closed on the availability itself.
    if (result.status == FrontierStatus::Done)
        run.cells().storeBounds({result.availability, result.availability});
    else
        run.cells().storeBounds({result.lowerBound, result.upperBound});
    run.cells().storeAvailability(result.availability);
    run.storeResultCode();
    return true;
}

} // namespace velmor
