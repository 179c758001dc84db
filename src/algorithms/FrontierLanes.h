#pragma once

// The boundary states of an undirected graph (as in FrontierPartitions.h)
// for boundaries of up to 13 vertices, held in the 16 four-bit lanes of one
// word, so that a step is a few word operations instead of a pass over the
// positions. Every boundary vertex keeps one lane while it is on the
// boundary (the plan fixes which), a free lane holds 0. A component is
// named by its first lane: label 3 + l for a component whose lowest lane
// is l; 1 and 2 stay the terminals' sides, 0 a failed vertex. Such names
// need no renumbering: merging keeps the smaller one, and only the
// component of a leaving vertex that named it takes a new one.

#include "algorithms/FrontierOrder.h"
#include "algorithms/FrontierTable.h"

#include <cstdint>
#include <vector>

namespace velmor::frontier {

class LanePartitions {
public:
    // Widest working boundary: the highest name, 3 + 12, fills a lane.
    static constexpr int kMostPositions = 13;

    LanePartitions(const Graph& graph, const Plan& plan);

    int wordsAfter(int) const { return 1; }
    void expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const;

    // Lanes whose vertex has one later link after step k.
    std::uint32_t singleExitAfter(int k) const { return codes_[static_cast<std::size_t>(k)].singleExit; }

private:
    struct Code {
        int entering = 0;
        long double enteringAvailability[2] = {1, 1};
        long double enteringFailure[2] = {0, 0};
        std::uint8_t enteringRole[2] = {0, 0}; // a label of a terminal's side, or 0
        int enteringLane[2] = {0, 0};
        // The step's links (a paired plan has two), by the lanes of their ends.
        struct LinkLanes {
            int from = 0;
            int to = 0;
            long double availability = 1;
            long double failure = 0;
        };
        int links = 1;
        LinkLanes link[2];
        bool sourceIn = false;
        bool destinationIn = false;
        int leaving = 0;
        int leavingLane[4] = {};
        // Lanes (bit per lane) of the vertices left with a single later link.
        std::uint32_t singleExit = 0;
        // Lanes of the links' ends and the entering vertices that stay with
        // a single later link: their components may have become dead ends.
        int checks = 0;
        int checkLane[6] = {};
        // One vertex of neither terminal enters, every link ends at it and
        // it stays: its working alone and its failing are settled together.
        bool enteringAlone = false;
        // One vertex of neither terminal enters and takes the lane of the
        // only vertex leaving, which link 0 joins to it; link 1, if any,
        // joins it to the lane `link[1].to`.
        bool replacing = false;
    };

    // Takes the code's links from link `I` of `Links` on, then stores the
    // state. All of it is inlined into the expansion, so that the
    // probability stays in the x87 registers instead of going through the
    // stack at every call.
    // With `alone`, the outcome where no link worked (`Worked` false at the
    // end) is not stored but its probability left there.
    template <int Links, int I, bool Worked>
    void take(const Code& code, std::uint64_t lanes, long double weight, StepOutcomes& out, long double* alone) const;
    // The entering vertex of an `enteringAlone` code failing or working.
    template <int Links>
    void enterAlone(const Code& code, std::uint64_t lanes, long double weight, StepOutcomes& out) const;
    // The entering vertex of a `replacing` code failing or working, with
    // its link to another boundary vertex when `Other`.
    template <bool Other>
    void replace(const Code& code, std::uint64_t lanes, long double weight, StepOutcomes& out) const;
    void dropDeadEnd(const Code& code, std::uint64_t& lanes, std::uint8_t label) const;
    void dropDeadEnds(const Code& code, std::uint64_t& lanes) const;
    // Lets the leaving vertices go and drops the parts that can only end
    // where they are; false when a terminal's side is gone with them.
    bool settle(const Code& code, std::uint64_t& lanes) const;
    // Settles the state and stores it.
    void store(const Code& code, std::uint64_t lanes, long double weight, StepOutcomes& out) const;

    std::vector<Code> codes_;
};

} // namespace velmor::frontier
