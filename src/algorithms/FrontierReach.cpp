#include "algorithms/FrontierReach.h"

#include "algorithms/FrontierCodec.h"

#include <algorithm>
#include <array>
#include <bit>

namespace velmor::frontier {

namespace {

constexpr std::uint64_t bit(int i)
{
    return std::uint64_t{1} << i;
}

// The longest key: every position with all its bits.
constexpr int kMostKeyWords = wordsFor(Reach::kMostPositions * (Reach::kMostPositions + 2));

template <typename Visit>
void forEachBit(std::uint64_t set, Visit&& visit)
{
    while (set) {
        visit(std::countr_zero(set));
        set &= set - 1;
    }
}

} // namespace

Reach::Reach(const Graph& graph, const Plan& plan) : graph_(graph), plan_(plan)
{
    layouts_.push_back({});
    for (const Step& step : plan.steps) {
        Layout layout;
        layout.positions = static_cast<int>(step.kept.size());
        for (int i = 0; i < layout.positions; ++i) {
            if (step.laterIn[static_cast<std::size_t>(i)])
                layout.laterIn |= bit(i);
            if (step.laterOut[static_cast<std::size_t>(i)])
                layout.laterOut |= bit(i);
        }
        const int ins = std::popcount(layout.laterIn);
        const int outs = std::popcount(layout.laterOut);
        const int both = std::popcount(layout.laterIn & layout.laterOut);
        layout.words = wordsFor(layout.positions + ins + outs + ins * outs - both);
        layouts_.push_back(layout);
    }
}

int Reach::wordsAfter(int k) const
{
    return layoutAfter(k).words;
}

void Reach::decode(const Layout& layout, const std::uint64_t* key, State& state) const
{
    BitReader reader(key);
    for (int i = 0; i < layout.positions; ++i) {
        if (reader.get(1))
            state.works |= bit(i);
        if ((layout.laterOut >> i) & 1 && reader.get(1))
            state.fromSource |= bit(i);
        if ((layout.laterIn >> i) & 1 && reader.get(1))
            state.toDestination |= bit(i);
    }
    forEachBit(layout.laterIn, [&](int u) {
        state.reaches[u] = 0;
        forEachBit(layout.laterOut & ~bit(u), [&](int v) {
            if (reader.get(1))
                state.reaches[u] |= bit(v);
        });
    });
}

void Reach::expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const
{
    const Step& step = plan_.steps[static_cast<std::size_t>(k)];
    const Layout& before = layoutAfter(k - 1);
    const int entering = static_cast<int>(step.entering.size());
    const int width = before.positions + entering;
    State given;
    decode(before, key, given);

    const Link& link = graph_.links[static_cast<std::size_t>(step.link)];
    const int u = step.fromPosition;
    const int v = step.toPosition;
    for (int works = 0; works < (1 << entering); ++works) {
        long double w = weight;
        bool terminalFailed = false;
        State state = given;
        for (int j = 0; j < entering; ++j) {
            const int vertex = step.entering[static_cast<std::size_t>(j)];
            const int at = before.positions + j;
            const long double p = graph_.vertexAvailability[static_cast<std::size_t>(vertex)];
            const bool up = (works >> j) & 1;
            w *= up ? p : 1 - p;
            if (!up) {
                terminalFailed = terminalFailed || vertex == graph_.source || vertex == graph_.destination;
                continue;
            }
            state.works |= bit(at);
            if (vertex == graph_.source)
                state.fromSource |= bit(at);
            if (vertex == graph_.destination)
                state.toDestination |= bit(at);
        }
        if (w == 0)
            continue;
        if (terminalFailed) {
            out.disconnect(w);
            continue;
        }
        if (!((state.works >> u) & 1) || !((state.works >> v) & 1)) {
            finish(k, state, w, out);
            continue;
        }
        const long double q = link.availability;
        if (q != 1)
            finish(k, state, w * (1 - q), out);
        // The link works: whatever reaches u now reaches what v reaches.
        std::uint64_t before_u = bit(u);
        for (int x = 0; x < width; ++x)
            if ((state.reaches[x] >> u) & 1)
                before_u |= bit(x);
        const std::uint64_t after_v = bit(v) | state.reaches[v];
        forEachBit(before_u, [&](int x) { state.reaches[x] |= after_v & ~bit(x); });
        if (state.fromSource & before_u)
            state.fromSource |= after_v;
        if (state.toDestination & after_v)
            state.toDestination |= before_u;
        if (state.fromSource & state.toDestination)
            out.connect(w * q);
        else
            finish(k, state, w * q, out);
    }
}

void Reach::finish(int k, const State& working, long double weight, StepOutcomes& out) const
{
    const Step& step = plan_.steps[static_cast<std::size_t>(k)];
    const Layout& after = layoutAfter(k);
    const int width = after.positions;
    auto gather = [&](std::uint64_t set) {
        std::uint64_t kept = 0;
        for (int i = 0; i < width; ++i)
            kept |= ((set >> step.kept[static_cast<std::size_t>(i)]) & 1) << i;
        return kept;
    };
    State s;
    s.works = gather(working.works);
    s.fromSource = gather(working.fromSource) & after.laterOut;
    s.toDestination = gather(working.toDestination) & after.laterIn;
    for (int i = 0; i < width; ++i)
        s.reaches[i] = gather(working.reaches[step.kept[static_cast<std::size_t>(i)]]);

    // Keep only what a later link can use (see the header); dropping a
    // vertex can make others useless in turn.
    for (bool changed = true; changed;) {
        changed = false;
        const std::uint64_t columns = after.laterOut & ~s.fromSource;
        const std::uint64_t rows = after.laterIn & ~s.toDestination & s.works;
        std::uint64_t reached = 0;
        for (int i = 0; i < width; ++i) {
            s.reaches[i] = (rows >> i) & 1 ? s.reaches[i] & columns & s.works : 0;
            reached |= s.reaches[i];
        }
        forEachBit(s.works, [&](int i) {
            const bool reachable = ((s.fromSource | after.laterIn | reached) >> i) & 1;
            const bool leads = ((s.toDestination | after.laterOut) >> i) & 1 || s.reaches[i] != 0;
            if (reachable && leads)
                return;
            s.works &= ~bit(i);
            changed = true;
        });
        s.fromSource &= s.works;
        s.toDestination &= s.works;
    }
    if ((step.sourceIn && !s.fromSource) || (step.destinationIn && !s.toDestination)) {
        out.disconnect(weight);
        return;
    }

    std::array<std::uint64_t, kMostKeyWords> key;
    std::fill_n(key.begin(), after.words, 0);
    BitWriter writer(key.data());
    for (int i = 0; i < width; ++i) {
        writer.put((s.works >> i) & 1, 1);
        if ((after.laterOut >> i) & 1)
            writer.put((s.fromSource >> i) & 1, 1);
        if ((after.laterIn >> i) & 1)
            writer.put((s.toDestination >> i) & 1, 1);
    }
    forEachBit(after.laterIn, [&](int u) {
        forEachBit(after.laterOut & ~bit(u), [&](int v) { writer.put((s.reaches[u] >> v) & 1, 1); });
    });
    out.state(key.data(), weight);
}

} // namespace velmor::frontier
