// Frontier: the programme over the steps of the plan. The states of the
// boundary before a step sit in one table; expanding each of them fills the
// table of the boundary after it, where equal states merge. Probability
// that has connected the terminals, or can no longer connect them, leaves
// the tables at once: the first sum is a lower bound on the availability
// at every moment, one minus the second an upper bound, and both meet when
// the last step is done.

#include "algorithms/Frontier.h"

#include "algorithms/FrontierGraph.h"
#include "algorithms/FrontierLanes.h"
#include "algorithms/FrontierOrder.h"
#include "algorithms/FrontierPartitions.h"
#include "algorithms/FrontierReach.h"
#include "algorithms/FrontierTable.h"
#include "platform/SystemInfo.h"

#include <algorithm>
#include <new>
#include <utility>

namespace velmor {

namespace {

using namespace frontier;

// Between two check points inside a step.
constexpr std::size_t kStatesPerCheck = 4096;

// Bytes of the graph and the plan, which stay the same through the run.
std::int64_t fixedBytes(const Graph& graph, const Plan& plan)
{
    std::size_t bytes = graph.links.size() * sizeof(Link) + graph.vertexAvailability.size() * sizeof(long double);
    for (const Step& step : plan.steps)
        bytes += sizeof(Step) + (step.entering.size() + step.kept.size()) * sizeof(int) + 2 * step.kept.size();
    return static_cast<std::int64_t>(bytes);
}

// What the run's containers may grow to: the caller's ceiling, and in any
// case three quarters of the memory free when the run starts. Where the
// system overcommits, running out would not fail an allocation but get
// the process killed.
std::int64_t ceilingOf(const FrontierControl& control)
{
    const std::uint64_t free = readMemoryStatus().availablePhysical;
    if (free == 0)
        return control.memoryCeiling;
    const auto share = static_cast<std::int64_t>(free / 4 * 3);
    return control.memoryCeiling < 0 ? share : std::min(control.memoryCeiling, share);
}

class Programme {
public:
    Programme(const Graph& graph, const Plan& plan, const FrontierControl& control, std::int64_t fixed,
              FrontierResult& result)
        : graph_(graph), plan_(plan), control_(control), ceiling_(ceilingOf(control)), fixed_(fixed), result_(result)
    {
    }

    template <typename States>
    FrontierStatus run(const States& states)
    {
        result_.totalSteps = static_cast<int>(plan_.steps.size());
        // The empty boundary: one state of probability 1.
        current_.reset(states.wordsAfter(-1));
        if (!current_.addEmptyBoundary())
            return FrontierStatus::OutOfMemory;
        for (int k = 0; k < result_.totalSteps; ++k) {
            next_.reset(states.wordsAfter(k));
            const FrontierStatus status = step(states, k);
            std::swap(current_, next_);
            if (status != FrontierStatus::Done)
                return status;
            result_.steps = k + 1;
            note();
            if (control_.endStep && control_.endStep(progress()))
                return FrontierStatus::Stopped;
        }
        // The last boundary is empty and never holds a state: whatever was
        // left has connected or not.
        disconnected_ += current_.totalWeight();
        return FrontierStatus::Done;
    }

    long double connected() const { return connected_; }
    long double disconnected() const { return disconnected_; }

private:
    template <typename States>
    FrontierStatus step(const States& states, int k)
    {
        StepOutcomes out(next_, stage_, ceiling());
        if (!stage_.begin(next_.words(), expectedAfter(k), out.stageRoom()))
            return FrontierStatus::OutOfMemory;
        FrontierStatus status = FrontierStatus::Done;
        for (std::size_t i = 0; i < current_.size(); ++i) {
            states.expand(k, current_.key(i), current_.weightIn(i), out);
            if (out.outOfRoom) {
                status = FrontierStatus::OutOfMemory;
                break;
            }
            if ((i + 1) % kStatesPerCheck == 0 && control_.checkPoint && control_.checkPoint()) {
                status = FrontierStatus::Stopped;
                break;
            }
        }
        if (status == FrontierStatus::Done)
            out.merge();
        if (out.outOfRoom)
            status = FrontierStatus::OutOfMemory;
        connected_ += out.connected;
        disconnected_ += out.disconnected;
        note();
        return status;
    }

    // States expected after step k: a vertex that may fail doubles them on
    // entering, before merging takes some back. The gathering is split
    // for that many.
    std::size_t expectedAfter(int k) const
    {
        std::size_t expected = current_.size();
        for (int v : plan_.steps[static_cast<std::size_t>(k)].entering)
            if (graph_.vertexAvailability[static_cast<std::size_t>(v)] < 1)
                expected += expected / 2;
        return expected;
    }

    // What the table of the next boundary may grow to.
    std::int64_t ceiling() const
    {
        if (ceiling_ < 0)
            return -1;
        return std::max<std::int64_t>(0, ceiling_ - fixed_ - current_.byteSize());
    }

    FrontierProgress progress() const
    {
        return {result_.steps, result_.totalSteps, workingSet(),
                static_cast<std::int64_t>(current_.size() + next_.size())};
    }
    std::int64_t workingSet() const { return fixed_ + current_.byteSize() + next_.byteSize() + stage_.byteSize(); }
    void note()
    {
        result_.peakWorkingSet = std::max(result_.peakWorkingSet, workingSet());
        result_.peakStates = std::max(result_.peakStates, static_cast<std::int64_t>(current_.size() + next_.size()));
    }

    const Graph& graph_;
    const Plan& plan_;
    const FrontierControl& control_;
    std::int64_t ceiling_;
    std::int64_t fixed_;
    FrontierResult& result_;
    StateTable current_;
    StateTable next_;
    StateStage stage_;
    long double connected_ = 0;
    long double disconnected_ = 0;
};

FrontierResult settled(long double value)
{
    FrontierResult result;
    result.status = FrontierStatus::Done;
    result.availability = result.lowerBound = result.upperBound = value;
    return result;
}

FrontierResult compute(const FrontierInput& input, const FrontierControl& control)
{
    const Graph graph = buildGraph(input, control.simplify);
    if (graph.settled)
        return settled(graph.settledValue);
    const Plan plan = planSteps(graph, control.orderSeed == 0 ? chooseVertexOrder(graph)
                                                              : shuffledVertexOrder(graph, control.orderSeed));
    FrontierResult result;
    result.width = plan.width;
    const int most = graph.directed ? Reach::kMostPositions : Partitions::kMostPositions;
    if (plan.workingWidth > most) {
        result.status = FrontierStatus::TooWide;
        return result;
    }
    const auto finish = [&](const Plan& steps, const auto& states) {
        Programme programme(graph, steps, control, fixedBytes(graph, steps), result);
        result.status = programme.run(states);
        result.lowerBound = programme.connected();
        result.upperBound = 1 - programme.disconnected();
        result.availability = result.lowerBound;
    };
    if (graph.directed) {
        finish(plan, Reach(graph, plan));
    } else if (control.laneStates && plan.workingWidth <= LanePartitions::kMostPositions) {
        const Plan paired = pairLinks(plan);
        finish(paired, LanePartitions(graph, paired));
    } else {
        finish(plan, Partitions(graph, plan));
    }
    return result;
}

} // namespace

FrontierResult runFrontier(const FrontierInput& input, const FrontierControl& control)
{
    if (!input.usable())
        return {};
    try {
        return compute(input, control);
    } catch (const std::bad_alloc&) {
        // Storage ran out outside the state tables (graph, plan): nothing
        // is known yet.
        FrontierResult result;
        result.status = FrontierStatus::OutOfMemory;
        return result;
    }
}

} // namespace velmor
