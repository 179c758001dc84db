#pragma once

// Boundary states of a directed graph: which boundary vertices work, which
// of them the source reaches and which reach the destination through the
// processed links, and which reach which others. The source reaching a
// vertex that reaches the destination connects the terminals.
//
// Only what a later link can still use is kept, so that states that differ
// in nothing else merge: that u reaches v matters only if a later link may
// enter u and one may leave v; that the source reaches v only if a later
// link leaves v, that v reaches the destination only if one enters v. Who
// reaches a vertex the source reaches, and what a vertex that reaches the
// destination reaches, matter no more either; and a vertex that nothing
// can reach any more, or that can lead nowhere, counts as failed.

#include "algorithms/FrontierOrder.h"
#include "algorithms/FrontierTable.h"

#include <cstdint>
#include <vector>

namespace velmor::frontier {

class Reach {
public:
    // Working positions are bits of one word.
    static constexpr int kMostPositions = 64;

    Reach(const Graph& graph, const Plan& plan);

    int wordsAfter(int k) const;
    void expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const;

private:
    // A boundary state over at most 64 positions: bit i stands for position i.
    struct State {
        std::uint64_t works = 0;
        std::uint64_t fromSource = 0;
        std::uint64_t toDestination = 0;
        std::uint64_t reaches[kMostPositions] = {}; // reaches[u]: the positions u reaches (not u itself)
    };
    // The key layout after a step: which positions keep which bits.
    struct Layout {
        int positions = 0;
        std::uint64_t laterIn = 0;  // positions some later link enters
        std::uint64_t laterOut = 0; // positions some later link leaves
        int words = 1;
    };
    const Layout& layoutAfter(int k) const { return layouts_[static_cast<std::size_t>(k + 1)]; }
    void decode(const Layout& layout, const std::uint64_t* key, State& state) const;
    void finish(int k, const State& working, long double weight, StepOutcomes& out) const;

    const Graph& graph_;
    const Plan& plan_;
    std::vector<Layout> layouts_;
};

} // namespace velmor::frontier
