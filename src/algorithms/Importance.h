#pragma once

// How much each element matters to the two-terminal availability A.
//
// Birnbaum importance I(i) = A(p_i = 1) - A(p_i = 0): how much A gains when
// element i is made perfect instead of failed, i.e. the probability that i
// is critical (the destination is reached exactly when i works).
// Criticality importance C(i) = I(i) * (1 - p_i) / (1 - A): the probability
// that i is failed and critical given that the destination is not reached.
// C(i) is 0 where that condition cannot arise: when A = 1 (the destination
// is always reached; also when 1 - A is within rounding of 0) and when
// p_i = 1 (i never fails).
//
// Both values are exact: every A(p_i = x) is one Frontier evaluation of the
// whole, unreduced structure (a reduction merges elements, and each element
// needs a value of its own).

#include "algorithms/Frontier.h"
#include "algorithms/RunOptions.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmor {

// Why the importance of a structure cannot be computed.
enum class ImportanceRefusal {
    None,
    NoPair,      // source or destination is no node of the structure
    SamePair,    // source and destination are the same node
    NoDirection, // neither directed nor undirected is chosen
    NoMemory,    // the copy of the structure could not be made
    Unusable,    // Frontier refuses the element graph (frontier.refusal)
};

// One element that is rated.
struct RatedElement {
    int element = -1; // element index (also its work index: nothing is reduced)
    std::int32_t label = 0;
    std::int32_t kind = NodeKind;
    long double availability = 0; // p_i as the structure gives it
};

// What a computation takes: a copy of the element graph and of the
// elements to rate, so that it needs nothing of the workspace while it runs.
struct ImportanceInput {
    FrontierInput frontier;
    std::vector<RatedElement> elements; // in element-index order
    int source = -1;                    // element indices of the pair
    int destination = -1;
    std::int32_t sourceLabel = 0;
    std::int32_t destinationLabel = 0;
    bool directed = true;
    bool idealTerminals = false;
    ImportanceRefusal refusal = ImportanceRefusal::None;

    bool usable() const { return refusal == ImportanceRefusal::None; }
};

// The input for the structure in `ws` under the options' direction, pair
// (labels) and terminal option; the reduction option is not used. Ideal
// terminals are not rated (they cannot fail); real ones are.
ImportanceInput importanceInput(const StructureWorkspace& ws, const RunOptions& options);

struct ElementImportance {
    RatedElement element;
    long double birnbaum = 0;
    long double criticality = 0;
    long double whenWorking = 0; // A(p_i = 1)
    long double whenFailed = 0;  // A(p_i = 0)

    std::string text() const { return elementText(element.label, element.kind); } // "N3", "e12"
};

enum class ImportanceStatus {
    Done,    // every element is rated
    Stopped, // asked to stop: `elements` holds the ones rated before
    Failed,  // an evaluation could not end (frontierStatus says why) or the input is unusable
};

struct ImportanceResult {
    ImportanceStatus status = ImportanceStatus::Failed;
    FrontierStatus frontierStatus = FrontierStatus::Refused; // of the evaluation that ended it early
    ImportanceRefusal refusal = ImportanceRefusal::None;
    long double availability = 0; // A of the structure as it is (when known)
    // Sorted by Birnbaum importance, largest first; equal values in
    // element-index order.
    std::vector<ElementImportance> elements;
    int done = 0;  // elements rated
    int total = 0; // elements to rate
    int evaluations = 0; // Frontier runs made
    // What the result was computed for.
    int source = -1; // element indices
    int destination = -1;
    std::int32_t sourceLabel = 0;
    std::int32_t destinationLabel = 0;
    bool directed = true;
    bool idealTerminals = false;
};

struct ImportanceControl {
    // Polled between and inside the evaluations; true ends the computation.
    std::function<bool()> stop;
    // After each element: elements rated so far, and in all.
    std::function<void(int done, int total)> progress;
    // As FrontierControl::memoryCeiling, for every evaluation.
    std::int64_t memoryCeiling = -1;
};

// One evaluation of the structure as it is, then two per element whose
// availability lies strictly between 0 and 1 and one per element of
// availability 0 or 1 (the other value is A itself).
ImportanceResult computeImportance(const ImportanceInput& input, const ImportanceControl& control = {});

// The order of the results: Birnbaum importance descending, then element index.
void sortByImportance(std::vector<ElementImportance>& elements);

} // namespace velmor
