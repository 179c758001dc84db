#pragma once

// Boundary states of an undirected graph: which boundary vertices work and
// which of them are connected through the processed links. Each working
// boundary vertex carries the label of its component: 1 for the source's,
// 2 for the destination's, 3, 4, ... for the others in the order of their
// first position, 0 for a failed vertex. Connecting components 1 and 2
// connects the terminals; losing either from the boundary after its
// terminal has entered disconnects them for good.

#include "algorithms/FrontierOrder.h"
#include "algorithms/FrontierTable.h"

#include <cstdint>
#include <vector>

namespace velmor::frontier {

class Partitions {
public:
    // Widest working boundary the labels can number.
    static constexpr int kMostPositions = 248;

    Partitions(const Graph& graph, const Plan& plan);

    // Key words of the boundary after step k; k = -1 is the empty boundary
    // before the first step.
    int wordsAfter(int k) const;

    // The states that follow `key` (a boundary before step k) with
    // probability `weight`.
    void expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const;

private:
    // How labels sit in a key: `bits` per label (a power of two, so that
    // none straddles two words).
    struct Layout {
        int positions = 0;
        int bits = 2;
        int words = 1;
    };
    // One step as the expansion needs it.
    struct Code {
        Layout before;
        Layout after;
        int entering = 0;
        long double enteringAvailability[2] = {1, 1};
        std::uint8_t enteringRole[2] = {0, 0}; // a label of a terminal's side, or 0
        int from = 0;
        int to = 0;
        long double linkAvailability = 1;
        bool sourceIn = false;
        bool destinationIn = false;
        std::vector<std::uint8_t> kept;  // working position of each position after the step
        std::vector<std::uint8_t> exits; // later links of each, 2 standing for more
    };
    // Numbers the projected labels `kept` (the component `gone` merged into
    // `into`; `exits` per label counted after the merge) and stores the
    // state, or gives up its probability when a terminal's side is lost.
    void store(const Code& code, const std::uint8_t* kept, const int* exits, std::uint8_t gone, std::uint8_t into,
               long double weight, StepOutcomes& out) const;

    std::vector<Code> codes_;
    std::vector<int> words_; // after step k at k + 1
};

} // namespace velmor::frontier
