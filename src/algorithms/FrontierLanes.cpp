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

// Clears lane `r` of a leaving vertex: the label of the component it leaves
// (renamed by its next lane if it named it; kFailed when none is left, or
// it was a terminal's side, which sets `terminalSide`).
__attribute__((always_inline)) inline std::uint8_t leave(std::uint64_t& x, int r, bool& terminalSide)
{
    std::uint8_t label = laneOf(x, r);
    x &= ~laneBits(r);
    if (label == kSourceSide || label == kDestinationSide) {
        terminalSide = true;
    } else if (label == kFirstOther + r) {
        // It named its component: the next lane of it does now.
        const std::uint64_t others = lanesHolding(x, label);
        label = kFailed;
        if (others) {
            label = static_cast<std::uint8_t>(kFirstOther + firstLane(others));
            x = replaced(x, others, label);
        }
    }
    return label >= kFirstOther ? label : kFailed;
}

// A terminal that has entered has no side on the boundary any more.
__attribute__((always_inline)) inline bool sideMissing(std::uint64_t x, bool sourceIn, bool destinationIn)
{
    return (sourceIn && !lanesHolding(x, kSourceSide)) || (destinationIn && !lanesHolding(x, kDestinationSide));
}

// The working position of the vertex that the step's one entering vertex
// (at `entering`) replaces: the only vertex leaving in the step, joined to
// it by one of the step's links, any other link ending at the entering
// vertex too. -1 when the step is not of that kind.
int replacedPosition(const Step& step, int entering)
{
    if (step.entering.size() != 1)
        return -1;
    std::vector<char> stays(static_cast<std::size_t>(entering) + 1, 0);
    for (int position : step.kept)
        stays[static_cast<std::size_t>(position)] = 1;
    const auto leaving = std::find(stays.begin(), stays.end(), 0);
    if (leaving == stays.end() || std::find(leaving + 1, stays.end(), 0) != stays.end())
        return -1;
    const int u = static_cast<int>(leaving - stays.begin());
    if (u == entering)
        return -1;
    const auto joins = [&](int from, int to, int other) {
        return (from == entering && to == other) || (to == entering && from == other);
    };
    const auto endsAtEntering = [&](int from, int to) { return from == entering || to == entering; };
    const bool paired = step.pairedLink >= 0;
    if (joins(step.fromPosition, step.toPosition, u))
        return !paired || endsAtEntering(step.pairedFrom, step.pairedTo) ? u : -1;
    if (paired && joins(step.pairedFrom, step.pairedTo, u) && endsAtEntering(step.fromPosition, step.toPosition))
        return u;
    return -1;
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
        // A terminal entering keeps a lane of its own: the general expansion
        // takes it.
        const bool terminalEnters = std::any_of(step.entering.begin(), step.entering.end(), [&](int v) {
            return v == graph.source || v == graph.destination;
        });
        const int replaced = terminalEnters ? -1 : replacedPosition(step, static_cast<int>(boundary.size()));
        for (int j = 0; j < code.entering; ++j) {
            const int v = step.entering[static_cast<std::size_t>(j)];
            working.push_back(v);
            int free = 0;
            if (replaced >= 0) {
                // It takes the lane of the vertex it replaces.
                free = lane[static_cast<std::size_t>(working[static_cast<std::size_t>(replaced)])];
            } else {
                free = std::countr_one(taken);
                taken |= 1u << free;
            }
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
        if (replaced >= 0) {
            // The link to the replaced vertex first, the other one's far end
            // as `to`.
            code.replacing = true;
            const int enteringPosition = static_cast<int>(boundary.size());
            const bool firstJoins = step.fromPosition == replaced || step.toPosition == replaced;
            if (!firstJoins)
                std::swap(code.link[0], code.link[1]);
            if (code.links == 2) {
                const int from = firstJoins ? step.pairedFrom : step.fromPosition;
                const int to = firstJoins ? step.pairedTo : step.toPosition;
                code.link[1].from = code.enteringLane[0];
                code.link[1].to = laneAt(from == enteringPosition ? to : from);
            }
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

// A component of neither terminal with one way out at most can be entered
// but not passed: it connects nothing, as if it had failed.
__attribute__((always_inline)) inline void LanePartitions::dropDeadEnd(const Code& code, std::uint64_t& x,
                                                                        std::uint8_t label) const
{
    if (label < kFirstOther)
        return;
    const std::uint64_t members = lanesHolding(x, label);
    if (!members)
        return;
    const int first = firstLane(members);
    if (members == laneBits(first) && (code.singleExit >> first) & 1)
        x &= ~members;
}

// Only the components this step touched can have become dead ends.
__attribute__((always_inline)) inline void LanePartitions::dropDeadEnds(const Code& code, std::uint64_t& x) const
{
    for (int i = 0; i < code.checks; ++i)
        dropDeadEnd(code, x, laneOf(x, code.checkLane[i]));
}

__attribute__((always_inline)) inline bool LanePartitions::settle(const Code& code, std::uint64_t& x) const
{
    // Components that lost a vertex here may be left with one way out, or
    // a terminal's side with none.
    std::uint8_t lost[4] = {kFailed, kFailed, kFailed, kFailed};
    bool terminalSideLost = false;
    for (int i = 0; i < code.leaving; ++i)
        lost[i] = leave(x, code.leavingLane[i], terminalSideLost);
    if (terminalSideLost && sideMissing(x, code.sourceIn, code.destinationIn))
        return false;

    dropDeadEnds(code, x);
    for (int i = 0; i < code.leaving; ++i)
        dropDeadEnd(code, x, lost[i]);
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

template <bool Other>
__attribute__((always_inline)) inline void LanePartitions::replace(const Code& code, std::uint64_t x,
                                                                    long double weight, StepOutcomes& out) const
{
    // The entering vertex sits in the lane of the vertex it replaces, whose
    // label is read first. Working with the link between them, it carries
    // that vertex's component on: the state stays as it is.
    const int lane = code.enteringLane[0];
    const Code::LinkLanes& toReplaced = code.link[0];
    const Code::LinkLanes& toOther = code.link[1];
    const std::uint8_t a = laneOf(x, lane);
    const std::uint8_t b = Other ? laneOf(x, toOther.to) : kFailed;
    const long double up = weight * code.enteringAvailability[0];
    const auto put = [&](std::uint64_t key, long double w) {
        if (w != 0)
            out.state(key, w);
    };

    // Without the replaced vertex: it leaves, its component named anew if
    // it named it.
    std::uint64_t without = x;
    bool sideGone = false;
    if (a != kFailed) {
        bool side = false;
        const std::uint8_t lost = leave(without, lane, side);
        sideGone = side && sideMissing(without, code.sourceIn, code.destinationIn);
        dropDeadEnd(code, without, lost);
    }

    // A link whose far end failed (or was dropped) changes nothing.
    const bool toA = a != kFailed;
    const bool toB = Other && b != kFailed;
    const long double keepA = toA ? toReplaced.failure : 1;
    const long double keepB = toB ? toOther.failure : 1;

    // The entering vertex failed, or working with both links failed.
    const long double failed = weight * code.enteringFailure[0];
    const long double alone = up * keepA * keepB;
    // Working and joined to the other end's component only.
    const long double onlyB = toB ? up * keepA * toOther.availability : 0;
    if (sideGone) {
        out.disconnect(failed);
        out.disconnect(alone);
        if (a != b)
            out.disconnect(onlyB);
    } else {
        std::uint64_t settled = without;
        dropDeadEnds(code, settled);
        if ((code.singleExit >> lane) & 1) {
            put(settled, failed + alone);
        } else {
            put(settled, failed);
            put(withLane(settled, lane, static_cast<std::uint8_t>(kFirstOther + lane)), alone);
        }
        if (toB && a != b) {
            // The other end's component (untouched by the leaving) takes
            // the entering vertex under the lower name.
            std::uint64_t joined = without;
            std::uint8_t name = b;
            if (b >= kFirstOther && kFirstOther + lane < b) {
                name = static_cast<std::uint8_t>(kFirstOther + lane);
                joined = replaced(joined, lanesHolding(joined, b), name);
            }
            put(withLane(joined, lane, name), onlyB);
        }
    }
    if (!toA)
        return;
    // Joined to the replaced vertex's component: with the other link failed,
    // or both working; when both ends were one component already, whether
    // the other link works changes nothing.
    std::uint64_t same = x;
    dropDeadEnds(code, same);
    if (!toB) {
        put(same, up * toReplaced.availability);
    } else if (a == b) {
        put(same, up * toReplaced.availability + onlyB);
    } else {
        put(same, up * toReplaced.availability * toOther.failure);
        const long double both = up * toReplaced.availability * toOther.availability;
        if (std::min(a, b) == kSourceSide && std::max(a, b) == kDestinationSide)
            out.connect(both);
        else
            put(replaced(x, lanesHolding(x, std::max(a, b)), std::min(a, b)), both);
    }
}

void LanePartitions::expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const
{
    const Code& code = codes_[static_cast<std::size_t>(k)];
    if (code.replacing) {
        if (code.links == 2)
            replace<true>(code, key[0], weight, out);
        else
            replace<false>(code, key[0], weight, out);
        return;
    }
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
