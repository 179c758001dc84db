#include "algorithms/Importance.h"

#include "algorithms/WorkStructure.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace velmor {

namespace {

int nodeIndexOf(const StructureWorkspace& ws, const std::optional<std::int32_t>& label)
{
    int found = -1;
    if (!label || !ws.elements.find(*label, NodeKind, found))
        return -1;
    return found;
}

// The work structure of an unreduced run between the pair, set up the way a
// run sets it up, in a workspace of its own: the shared one keeps the work
// structure of the last run, which its results and reports go with.
bool prepareUnreduced(StructureWorkspace& scratch, const StructureWorkspace& ws, const RunOptions& options,
                      int source, int destination)
{
    const ByteMatrix& incidence =
        options.direction == Direction::Undirected ? ws.undirectedMatrix : ws.directedMatrix;
    if (!incidence.copyTo(scratch.workMatrix) || !ws.elements.copyTo(scratch.elements))
        return false;
    if (ws.elements.count() > 0 && !scratch.elementState.allocate(ws.elements.count()))
        return false;
    for (int i = 0; i < ws.elements.count(); ++i)
        scratch.elementState.set(i, ws.elementState.get(i));
    RunOptions unreduced = options;
    unreduced.reduction = false;
    return mapWorkStructure(scratch, unreduced, source, destination);
}

} // namespace

ImportanceInput importanceInput(const StructureWorkspace& ws, const RunOptions& options)
{
    ImportanceInput input;
    input.idealTerminals = options.idealTerminals;
    input.directed = options.direction == Direction::Directed;
    input.source = nodeIndexOf(ws, options.sourceLabel);
    input.destination = nodeIndexOf(ws, options.destinationLabel);
    if (input.source < 0 || input.destination < 0) {
        input.refusal = ImportanceRefusal::NoPair;
        return input;
    }
    input.sourceLabel = *options.sourceLabel;
    input.destinationLabel = *options.destinationLabel;
    if (input.source == input.destination) {
        input.refusal = ImportanceRefusal::SamePair;
        return input;
    }
    if (options.direction == Direction::None) {
        input.refusal = ImportanceRefusal::NoDirection;
        return input;
    }
    // Held on the heap: a workspace holds every container of a run.
    auto scratch = std::make_unique<StructureWorkspace>();
    if (!prepareUnreduced(*scratch, ws, options, input.source, input.destination)) {
        input.refusal = ImportanceRefusal::NoMemory;
        return input;
    }
    input.frontier = frontierInput(*scratch, options.idealTerminals);
    if (!input.frontier.usable()) {
        input.refusal = ImportanceRefusal::Unusable;
        return input;
    }
    for (int i = 0; i < ws.elements.count(); ++i) {
        const ElementEntry* entry = ws.elements.entryAt(i);
        const bool terminal = i == input.source || i == input.destination;
        if (options.idealTerminals && terminal)
            continue; // always works: nothing to rate
        input.elements.push_back({i, entry->label, entry->kind, entry->availability});
    }
    return input;
}

void sortByImportance(std::vector<ElementImportance>& elements)
{
    std::stable_sort(elements.begin(), elements.end(), [](const ElementImportance& a, const ElementImportance& b) {
        if (a.birnbaum != b.birnbaum)
            return a.birnbaum > b.birnbaum;
        return a.element.element < b.element.element;
    });
}

ImportanceResult computeImportance(const ImportanceInput& input, const ImportanceControl& control)
{
    ImportanceResult result;
    result.source = input.source;
    result.destination = input.destination;
    result.sourceLabel = input.sourceLabel;
    result.destinationLabel = input.destinationLabel;
    result.directed = input.directed;
    result.idealTerminals = input.idealTerminals;
    result.refusal = input.refusal;
    result.total = static_cast<int>(input.elements.size());
    if (!input.usable())
        return result;

    const auto stopAsked = [&control] { return control.stop && control.stop(); };
    FrontierControl frontier;
    frontier.checkPoint = stopAsked;
    frontier.endStep = [&stopAsked](const FrontierProgress&) { return stopAsked(); };
    frontier.memoryCeiling = control.memoryCeiling;

    // One copy whose availabilities are changed one element at a time.
    FrontierInput changed = input.frontier;
    // A(...) of the copy as it stands; false when the evaluation did not end.
    const auto evaluate = [&](long double& value) {
        const FrontierResult run = runFrontier(changed, frontier);
        ++result.evaluations;
        if (run.status == FrontierStatus::Done) {
            value = run.availability;
            return true;
        }
        result.frontierStatus = run.status;
        result.status = run.status == FrontierStatus::Stopped ? ImportanceStatus::Stopped : ImportanceStatus::Failed;
        return false;
    };
    const auto finish = [&] {
        sortByImportance(result.elements);
        return result;
    };

    if (control.progress)
        control.progress(0, result.total);
    long double a = 0;
    if (!evaluate(a))
        return finish();
    result.availability = a;
    // 1 - A within a few units of rounding of 0 is no failure probability to
    // divide by: the destination is always reached. Being failed and
    // critical implies failing the pair, so the ratio is at most 1.
    const bool alwaysReached = 1 - a <= 4 * std::numeric_limits<long double>::epsilon();

    for (const RatedElement& element : input.elements) {
        if (stopAsked()) {
            result.status = ImportanceStatus::Stopped;
            result.frontierStatus = FrontierStatus::Stopped;
            return finish();
        }
        long double& p = changed.availability[static_cast<std::size_t>(element.element)];
        const long double own = p;
        ElementImportance rated;
        rated.element = element;
        // An element that always works or always fails is already at one of
        // the two values: A itself.
        rated.whenWorking = a;
        rated.whenFailed = a;
        bool ended = true;
        if (own != 1) {
            p = 1;
            ended = evaluate(rated.whenWorking);
        }
        if (ended && own != 0) {
            p = 0;
            ended = evaluate(rated.whenFailed);
        }
        p = own;
        if (!ended)
            return finish();
        // Reaching the destination can only get likelier as an element gets
        // more available: a difference below 0 is rounding.
        rated.birnbaum = std::max(0.0L, rated.whenWorking - rated.whenFailed);
        rated.criticality = own < 1 && !alwaysReached ? std::min(1.0L, rated.birnbaum * (1 - own) / (1 - a)) : 0;
        result.elements.push_back(rated);
        ++result.done;
        if (control.progress)
            control.progress(result.done, result.total);
    }
    result.status = ImportanceStatus::Done;
    result.frontierStatus = FrontierStatus::Done;
    return finish();
}

} // namespace velmor
