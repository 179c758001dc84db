#pragma once

// Frontier: the exact availability by a dynamic programme over an order of
// the structure's links. It keeps, for every state of the boundary between
// the processed and the unprocessed part, the probability of reaching it,
// and merges equal states: connectivity of the boundary nodes for an
// undirected structure, for a directed one which boundary nodes the source
// reaches, which reach the destination and which reach each other. Its cost
// grows with the width of the boundary, not with the number of paths.
//
// It knows nothing of the run engine: it reads a plain input built from the
// work structure and reports through a small control record.

#include "algorithms/ElementArcs.h"
#include "structure/StructureWorkspace.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace velmor {

// Why a work structure cannot be computed.
enum class FrontierRefusal {
    None,
    NotSquare,       // the work matrix is not square
    CellAboveOne,    // a cell above 1 is neither an arc nor a gap
    TerminalOutside, // source or destination outside the work matrix
    MissingElement,  // a work index that stands for no element
};

// The element graph of a run as the three other algorithms see it: the
// usable arcs (cells holding 1; cells below 0 are no arcs) and the
// availability of every work index, with the terminals at 1 when they are
// ideal — exactly what the evaluation of their terms uses.
struct FrontierInput {
    ElementArcs arcs;
    std::vector<long double> availability; // per work index
    int source = -1;
    int destination = -1;
    FrontierRefusal refusal = FrontierRefusal::None;

    int elementCount() const { return static_cast<int>(availability.size()); }
    bool usable() const { return refusal == FrontierRefusal::None; }
};

// The input of the work structure that mapWorkStructure left in `ws`
// (reduced or not): workMatrix, elementMap, elements, the work terminals and
// idealTerminals. Every reason to refuse it is decided here.
FrontierInput frontierInput(const StructureWorkspace& ws, bool idealTerminals);

// What a run tells its caller after every step, and between steps every few
// thousand states.
struct FrontierProgress {
    int done = 0;                 // steps (links in the order) processed
    int total = 0;                // steps in all
    std::int64_t workingSet = 0;  // bytes of the run's own containers now
    std::int64_t states = 0;      // boundary states kept now
};

struct FrontierControl {
    // Closes a step; true ends the run (stop, limit). May wait while paused.
    std::function<bool(const FrontierProgress&)> endStep;
    // A check point inside a long step; true ends the run.
    std::function<bool()> checkPoint;
    // Bytes the run's containers may grow to; -1 for none but the memory
    // the machine has free. Growing beyond it ends the run as out of memory
    // instead of trying.
    std::int64_t memoryCeiling = -1;
    // Let the run simplify the graph first (series, parallel and dangling
    // parts); off only to check the programme on the raw element graph.
    bool simplify = true;
    // Undirected boundaries of up to 13 vertices in the lanes of one word;
    // off only to check them against the general layout.
    bool laneStates = true;
    // 0: the order chosen to keep the boundary narrow. Otherwise an order
    // drawn from this seed, only to check the programme in any order.
    std::uint32_t orderSeed = 0;
};

enum class FrontierStatus {
    Done,        // the availability is exact
    Stopped,     // a check point asked to stop: the bounds hold
    OutOfMemory, // storage ran out or the ceiling was reached: the bounds hold
    TooWide,     // the boundary is wider than the states can hold
    Refused,     // the input is unusable (FrontierInput::refusal)
};

struct FrontierResult {
    FrontierStatus status = FrontierStatus::Refused;
    // The availability when done; otherwise the lower bound.
    long double availability = 0;
    // Probability known to connect, and 1 - probability known not to.
    long double lowerBound = 0;
    long double upperBound = 1;
    int steps = 0;            // steps processed
    int totalSteps = 0;
    int width = 0;            // widest boundary of the order (nodes)
    std::int64_t peakStates = 0;
    std::int64_t peakWorkingSet = 0; // bytes
};

FrontierResult runFrontier(const FrontierInput& input, const FrontierControl& control = {});

} // namespace velmor
