#include "algorithms/FrontierPartitions.h"

#include <algorithm>
#include <array>

namespace velmor::frontier {

namespace {

constexpr std::uint8_t kFailed = 0;
constexpr std::uint8_t kSourceSide = 1;
constexpr std::uint8_t kDestinationSide = 2;
constexpr std::uint8_t kFirstOther = 3;

constexpr int kMostKeyWords = (Partitions::kMostPositions * 8 + 63) / 64;
// Labels in use: the terminals' sides, one per position, and two entering.
constexpr int kMostLabels = Partitions::kMostPositions + kFirstOther + 2;

int labelBits(int positions)
{
    const int largest = positions + kFirstOther - 1;
    return largest < 4 ? 2 : largest < 16 ? 4 : 8;
}

void unpack(const std::uint64_t* key, int positions, int bits, std::uint8_t* labels)
{
    const int perWord = 64 / bits;
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    for (int i = 0, word = 0; i < positions; ++word) {
        std::uint64_t x = key[word];
        for (int j = 0; j < perWord && i < positions; ++j, ++i) {
            labels[i] = static_cast<std::uint8_t>(x & mask);
            x >>= bits;
        }
    }
}

} // namespace

Partitions::Partitions(const Graph& graph, const Plan& plan)
{
    Layout previous;
    words_.push_back(previous.words);
    for (const Step& step : plan.steps) {
        Code code;
        code.before = previous;
        code.after.positions = static_cast<int>(step.kept.size());
        code.after.bits = labelBits(code.after.positions);
        code.after.words = (code.after.positions + 64 / code.after.bits - 1) / (64 / code.after.bits);
        if (code.after.words == 0)
            code.after.words = 1;
        code.entering = static_cast<int>(step.entering.size());
        for (int j = 0; j < code.entering; ++j) {
            const int v = step.entering[static_cast<std::size_t>(j)];
            code.enteringAvailability[j] = graph.vertexAvailability[static_cast<std::size_t>(v)];
            code.enteringRole[j] = v == graph.source ? kSourceSide : v == graph.destination ? kDestinationSide : 0;
        }
        code.from = step.fromPosition;
        code.to = step.toPosition;
        code.linkAvailability = graph.links[static_cast<std::size_t>(step.link)].availability;
        code.sourceIn = step.sourceIn;
        code.destinationIn = step.destinationIn;
        for (std::size_t i = 0; i < step.kept.size(); ++i) {
            code.kept.push_back(static_cast<std::uint8_t>(step.kept[i]));
            code.exits.push_back(static_cast<std::uint8_t>(std::min(step.laterLinks[i], 2)));
        }
        previous = code.after;
        words_.push_back(code.after.words);
        codes_.push_back(std::move(code));
    }
}

int Partitions::wordsAfter(int k) const
{
    return words_[static_cast<std::size_t>(k + 1)];
}

void Partitions::expand(int k, const std::uint64_t* key, const PlacedWeight& weight, StepOutcomes& out) const
{
    const Code& code = codes_[static_cast<std::size_t>(k)];
    const int before = code.before.positions;
    const int after = code.after.positions;
    const std::uint8_t* keptAt = code.kept.data();
    const std::uint8_t* exitsAt = code.exits.data();
    // Labels in use lie below this: those of the boundary before, then the
    // entering vertices'.
    const int labelEnd = before + kFirstOther + code.entering;
    std::array<std::uint8_t, kMostPositions + 2> labels;
    unpack(key, before, code.before.bits, labels.data());

    // Every combination of the entering vertices working or failing.
    for (int works = 0; works < (1 << code.entering); ++works) {
        long double w = weight;
        bool terminalFailed = false;
        for (int j = 0; j < code.entering; ++j) {
            const bool up = (works >> j) & 1;
            w *= up ? code.enteringAvailability[j] : 1 - code.enteringAvailability[j];
            std::uint8_t label = kFailed;
            if (up)
                label = code.enteringRole[j] ? code.enteringRole[j] : static_cast<std::uint8_t>(before + kFirstOther + j);
            else
                terminalFailed = terminalFailed || code.enteringRole[j] != 0;
            labels[static_cast<std::size_t>(before + j)] = label;
        }
        if (w == 0)
            continue;
        if (terminalFailed) {
            out.disconnect(w);
            continue;
        }
        // The boundary after the step and the later links of each component.
        std::array<std::uint8_t, kMostPositions> kept;
        std::array<int, kMostLabels> exits;
        std::fill_n(exits.begin(), labelEnd, 0);
        for (int i = 0; i < after; ++i) {
            const std::uint8_t label = labels[keptAt[i]];
            kept[static_cast<std::size_t>(i)] = label;
            exits[label] += exitsAt[i];
        }
        const std::uint8_t a = labels[static_cast<std::size_t>(code.from)];
        const std::uint8_t b = labels[static_cast<std::size_t>(code.to)];
        if (a == kFailed || b == kFailed || a == b) {
            // The link changes nothing, whether it works or not.
            store(code, kept.data(), exits.data(), kFailed, kFailed, w, out);
            continue;
        }
        const long double q = code.linkAvailability;
        if (q != 1)
            store(code, kept.data(), exits.data(), kFailed, kFailed, w * (1 - q), out);
        if (std::min(a, b) == kSourceSide && std::max(a, b) == kDestinationSide) {
            out.connect(w * q);
            continue;
        }
        // The link works: one component; a terminal's label wins.
        const std::uint8_t into = std::min(a, b);
        const std::uint8_t gone = std::max(a, b);
        exits[into] += exits[gone];
        store(code, kept.data(), exits.data(), gone, into, w * q, out);
    }
}

void Partitions::store(const Code& code, const std::uint8_t* kept, const int* exits, std::uint8_t gone,
                       std::uint8_t into, long double weight, StepOutcomes& out) const
{
    if ((code.sourceIn && exits[kSourceSide] == 0) || (code.destinationIn && exits[kDestinationSide] == 0)) {
        out.disconnect(weight);
        return;
    }
    // A component of neither terminal with one way out at most can be
    // entered but not passed: it connects nothing, as if it had failed.
    // The others are numbered in order of first position.
    const int labelEnd = code.before.positions + kFirstOther + code.entering;
    std::array<std::uint8_t, kMostLabels> number;
    std::fill_n(number.begin(), labelEnd, 0);
    std::uint8_t next = kFirstOther;
    std::array<std::uint64_t, kMostKeyWords> key;
    const int bits = code.after.bits;
    const int perWord = 64 / bits;
    int i = 0;
    for (int word = 0; word < code.after.words; ++word) {
        std::uint64_t packed = 0;
        for (int j = 0; j < perWord && i < code.after.positions; ++j, ++i) {
            std::uint8_t label = kept[i];
            if (label == gone)
                label = into;
            if (label >= kFirstOther) {
                if (exits[label] <= 1) {
                    label = kFailed;
                } else {
                    if (number[label] == 0)
                        number[label] = next++;
                    label = number[label];
                }
            }
            packed |= static_cast<std::uint64_t>(label) << (j * bits);
        }
        key[static_cast<std::size_t>(word)] = packed;
    }
    out.state(key.data(), weight);
}

} // namespace velmor::frontier
