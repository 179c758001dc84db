#include "algorithms/FrontierLanes.h"

#include <algorithm>
#include <bit>

namespace velmor::frontier {

namespace {

constexpr std::uint8_t kFailed = 0;
constexpr std::uint8_t kSourceSide = 1;
constexpr std::uint8_t kDestinationSide = 2;
constexpr std::uint8_t kFirstOther = 3;

constexpr std::uint64_t kOnes = 0x1111111111111111ull;
constexpr std::uint64_t kLow3 = kOnes * 0x7;

constexpr std::uint64_t laneBits(int lane)
{
    return std::uint64_t{0xF} << (4 * lane);
}

std::uint8_t laneOf(std::uint64_t x, int lane)
{
    return static_cast<std::uint8_t>((x >> (4 * lane)) & 0xF);
}

std::uint64_t withLane(std::uint64_t x, int lane, std::uint8_t value)
{
    return (x & ~laneBits(lane)) | (std::uint64_t{value} << (4 * lane));
}

// 0xF in every lane that holds `value`, 0 elsewhere.
std::uint64_t lanesHolding(std::uint64_t x, std::uint8_t value)
{
    const std::uint64_t t = x ^ (kOnes * value);
    const std::uint64_t zero = ~((((t & kLow3) + kLow3) | t) | kLow3);
    return (zero << 1) - (zero >> 3);
}

int firstLane(std::uint64_t mask)
{
    return std::countr_zero(mask) / 4;
}

std::uint64_t replaced(std::uint64_t x, std::uint64_t where, std::uint8_t value)
{
    return (x & ~where) | (kOnes * value & where);
}

} // namespace

LanePartitions::LanePartitions(const Graph& graph, const Plan& plan)
{
    // The boundary as vertices by position, and the lane of each.
    std::vector<int> boundary;
    std::vector<int> lane(static_cast<std::size_t>(graph.vertexCount()), -1);
    std::uint32_t taken = 0;
    for (const Step& step : plan.steps) {
        Code code;
        std::vector<int> working = boundary;
        code.entering = static_cast<int>(step.entering.size());
        for (int j = 0; j < code.entering; ++j) {
            const int v = step.entering[static_cast<std::size_t>(j)];
            working.push_back(v);
            const int free = std::countr_one(taken);
            taken |= 1u << free;
            lane[static_cast<std::size_t>(v)] = free;
            code.enteringLane[j] = free;
            code.enteringAvailability[j] = graph.vertexAvailability[static_cast<std::size_t>(v)];
            code.enteringFailure[j] = 1 - code.enteringAvailability[j];
            code.enteringRole[j] = v == graph.source ? kSourceSide : v == graph.destination ? kDestinationSide : 0;
        }
        auto laneAt = [&](int position) { return lane[static_cast<std::size_t>(working[static_cast<std::size_t>(position)])]; };
        auto lanesOf = [&](int from, int to, int link) {
            const long double q = graph.links[static_cast<std::size_t>(link)].availability;
            return Code::LinkLanes{laneAt(from), laneAt(to), q, 1 - q};
        };
        code.link[0] = lanesOf(step.fromPosition, step.toPosition, step.link);
        if (step.pairedLink >= 0) {
            code.links = 2;
            code.link[1] = lanesOf(step.pairedFrom, step.pairedTo, step.pairedLink);
        }
        code.sourceIn = step.sourceIn;
        code.destinationIn = step.destinationIn;

        boundary.clear();
        std::uint32_t stays = 0;
        for (std::size_t i = 0; i < step.kept.size(); ++i) {
            const int v = working[static_cast<std::size_t>(step.kept[i])];
            boundary.push_back(v);
            stays |= 1u << lane[static_cast<std::size_t>(v)];
            if (step.laterLinks[i] == 1)
                code.singleExit |= 1u << lane[static_cast<std::size_t>(v)];
        }
        for (int l = 0; l < 32; ++l)
            if ((taken >> l) & 1 && !((stays >> l) & 1))
                code.leavingLane[code.leaving++] = l;
        taken = stays;
        std::vector<int> touched;
        for (int i = 0; i < code.links; ++i) {
            touched.push_back(code.link[i].from);
            touched.push_back(code.link[i].to);
        }
        for (int j = 0; j < code.entering; ++j)
            touched.push_back(code.enteringLane[j]);
        for (int l : touched)
            if ((code.singleExit >> l) & 1 && std::find(code.checkLane, code.checkLane + code.checks, l) == code.checkLane + code.checks)
                code.checkLane[code.checks++] = l;
        const auto endsAtEntering = [&](const Code::LinkLanes& link) {
            return link.from == code.enteringLane[0] || link.to == code.enteringLane[0];
        };
        code.enteringAlone = code.entering == 1 && code.enteringRole[0] == 0
                             && std::all_of(code.link, code.link + code.links, endsAtEntering)
                             && std::find(code.leavingLane, code.leavingLane + code.leaving, code.enteringLane[0])
                                    == code.leavingLane + code.leaving;
        codes_.push_back(code);
    }
}

__attribute__((always_inline)) inline bool LanePartitions::settle(const Code& code, std::uint64_t& x) const
{
    // Components that lost a vertex here may be left with one way out, or
    // a terminal's side with none.
    std::uint8_t lost[4] = {kFailed, kFailed, kFailed, kFailed};
    bool terminalSideLost = false;
    for (int i = 0; i < code.leaving; ++i) {
        const int r = code.leavingLane[i];
        std::uint8_t label = laneOf(x, r);
        x &= ~laneBits(r);
        if (label == kSourceSide || label == kDestinationSide) {
            terminalSideLost = true;
        } else if (label == kFirstOther + r) {
            // It named its component: the next lane of it does now.
            const std::uint64_t others = lanesHolding(x, label);
            label = kFailed;
            if (others) {
                label = static_cast<std::uint8_t>(kFirstOther + firstLane(others));
                x = replaced(x, others, label);
            }
        }
        lost[i] = label >= kFirstOther ? label : kFailed;
    }
    if (terminalSideLost
        && ((code.sourceIn && !lanesHolding(x, kSourceSide))
            || (code.destinationIn && !lanesHolding(x, kDestinationSide))))
        return false;

    // A component of neither terminal with one way out at most can be
    // entered but not passed: it connects nothing, as if it had failed.
    // Only the components this step touched can have become one.
    auto dropDeadEnd = [&](std::uint8_t label) {
        if (label < kFirstOther)
            return;
        const std::uint64_t members = lanesHolding(x, label);
        if (!members)
            return;
        const int first = firstLane(members);
        if (members == laneBits(first) && (code.singleExit >> first) & 1)
            x &= ~members;
    };
    for (int i = 0; i < code.checks; ++i)
        dropDeadEnd(laneOf(x, code.checkLane[i]));
    for (int i = 0; i < code.leaving; ++i)
        dropDeadEnd(lost[i]);
    return true;
}

__attribute__((always_inline)) inline void LanePartitions::store(const Code& code, std::uint64_t x, long double weight,
                                                                  StepOutcomes& out) const
{
    if (settle(code, x))
        out.state(x, weight);
    else
        out.disconnect(weight);
}

template <int Links, int I, bool Worked>
__attribute__((always_inline)) inline void LanePartitions::take(const Code& code, std::uint64_t x, long double w,
                                                                 StepOutcomes& out, long double* alone) const
{
    if constexpr (I == Links) {
        if (alone && !Worked)
            *alone = w;
        else
            store(code, x, w, out);
    } else {
        const Code::LinkLanes& link = code.link[I];
        const std::uint8_t a = laneOf(x, link.from);
        const std::uint8_t b = laneOf(x, link.to);
        if (a == kFailed || b == kFailed || a == b) {
            // The link changes nothing, whether it works or not.
            take<Links, I + 1, Worked>(code, x, w, out, alone);
            return;
        }
        const long double q = link.availability;
        if (q != 1)
            take<Links, I + 1, Worked>(code, x, w * link.failure, out, alone);
        if (std::min(a, b) == kSourceSide && std::max(a, b) == kDestinationSide) {
            out.connect(w * q);
            return;
        }
        // The link works: one component, named by the lower first lane, or
        // by a terminal's side.
        take<Links, I + 1, true>(code, replaced(x, lanesHolding(x, std::max(a, b)), std::min(a, b)), w * q, out,
                                 alone);
    }
}

template <int Links>
__attribute__((always_inline)) inline void LanePartitions::enterAlone(const Code& code, std::uint64_t x,
                                                                       long double weight, StepOutcomes& out) const
{
    // With every link of the entering vertex failed, the state is the one
    // where the vertex failed with the vertex's own lane added: everything
    // else that is settled (leaving lanes, dead ends) is the same. So both
    // come of one settling.
    const int lane = code.enteringLane[0];
    const long double up = code.enteringAvailability[0];
    long double alone = 0;
    take<Links, 0, false>(code, withLane(x, lane, static_cast<std::uint8_t>(kFirstOther + lane)), weight * up, out,
                          &alone);
    const long double failed = weight * code.enteringFailure[0];
    if (!settle(code, x)) {
        out.disconnect(failed);
        out.disconnect(alone);
    } else if ((code.singleExit >> lane) & 1) {
        // Working alone with one way out, it can only end where it is.
        out.state(x, failed + alone);
    } else {
        out.state(x, failed);
        if (alone != 0) // 0: a link that always works leaves no such outcome
            out.state(withLane(x, lane, static_cast<std::uint8_t>(kFirstOther + lane)), alone);
    }
}

void LanePartitions::expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const
{
    const Code& code = codes_[static_cast<std::size_t>(k)];
    if (code.enteringAlone && code.enteringAvailability[0] > 0 && code.enteringAvailability[0] < 1) {
        if (code.links == 2)
            enterAlone<2>(code, key[0], weight, out);
        else
            enterAlone<1>(code, key[0], weight, out);
        return;
    }
    // Every combination of the entering vertices working or failing.
    for (int works = 0; works < (1 << code.entering); ++works) {
        long double w = weight;
        bool terminalFailed = false;
        std::uint64_t x = key[0];
        for (int j = 0; j < code.entering; ++j) {
            const bool up = (works >> j) & 1;
            w *= up ? code.enteringAvailability[j] : code.enteringFailure[j];
            if (up)
                x = withLane(x, code.enteringLane[j],
                             code.enteringRole[j] ? code.enteringRole[j]
                                                  : static_cast<std::uint8_t>(kFirstOther + code.enteringLane[j]));
            else
                terminalFailed = terminalFailed || code.enteringRole[j] != 0;
        }
        if (w == 0)
            continue;
        if (terminalFailed) {
            out.disconnect(w);
            continue;
        }
        if (code.links == 2)
            take<2, 0, false>(code, x, w, out, nullptr);
        else
            take<1, 0, false>(code, x, w, out, nullptr);
    }
}

} // namespace velmor::frontier
