#include "algorithms/FrontierTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

// The gathering of a step's states checked against a plain map: every key
// once, with the sum of its probabilities in the order they came. The
// structures of the other tests stay below one bucket, so the splitting
// into buckets, the line buffers and the chunks are exercised here.

using namespace velmor::frontier;

namespace {

using Key = std::vector<std::uint64_t>;

struct Drawn {
    std::vector<Key> keys; // in the order they are put
    std::vector<long double> weights;
    std::map<Key, long double> sums;
};

// `count` states over `distinct` keys of `words` words; the keys differ in
// every word, so that a merge that compared the first word only would show.
Drawn draw(std::size_t count, std::size_t distinct, int words, std::uint32_t seed)
{
    std::mt19937_64 random(seed);
    std::vector<Key> pool(distinct);
    for (Key& key : pool) {
        key.resize(static_cast<std::size_t>(words));
        for (std::uint64_t& word : key)
            word = random() & 0xFFFF;
    }
    Drawn drawn;
    for (std::size_t i = 0; i < count; ++i) {
        const Key& key = pool[random() % distinct];
        const long double w = 1.0L / static_cast<long double>(random() % 1000 + 1);
        drawn.keys.push_back(key);
        drawn.weights.push_back(w);
        drawn.sums[key] += w;
    }
    return drawn;
}

bool gather(StateStage& stage, const Drawn& drawn, int words, std::int64_t room)
{
    if (!stage.begin(words, drawn.sums.size(), room))
        return false;
    for (std::size_t i = 0; i < drawn.keys.size(); ++i) {
        const std::uint64_t* key = drawn.keys[i].data();
        if (!stage.put(key, StateTable::hashOf(key, words), drawn.weights[i], room))
            return false;
    }
    return true;
}

void expectMerged(const StateTable& table, const Drawn& drawn, int words, const std::string& what)
{
    ASSERT_EQ(table.size(), drawn.sums.size()) << what;
    std::map<Key, long double> seen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Key key(table.key(i), table.key(i) + words);
        EXPECT_TRUE(seen.emplace(key, table.weight(i)).second) << what << ": a key twice";
    }
    for (const auto& [key, sum] : drawn.sums) {
        const auto found = seen.find(key);
        ASSERT_NE(found, seen.end()) << what << ": a key lost";
        EXPECT_EQ(found->second, sum) << what;
    }
}

} // namespace

TEST(StateStage, MergesEqualKeysAcrossBucketsAndChunks)
{
    StateStage stage;
    // Large enough for many buckets and many chunks per bucket; then
    // smaller steps on the same storage, which must not see the old states.
    const struct {
        std::size_t count;
        std::size_t distinct;
        int words;
    } steps[] = {{400000, 60000, 1}, {300000, 40000, 3}, {5000, 3000, 1}, {1, 1, 2}, {200000, 150000, 1}};
    std::uint32_t seed = 1;
    for (const auto& step : steps) {
        const std::string what = std::to_string(step.count) + " states, " + std::to_string(step.words) + " words";
        const Drawn drawn = draw(step.count, step.distinct, step.words, seed++);
        ASSERT_TRUE(gather(stage, drawn, step.words, -1)) << what;
        StateTable table;
        table.reset(step.words);
        ASSERT_TRUE(stage.mergeInto(table, -1)) << what;
        expectMerged(table, drawn, step.words, what);
        EXPECT_GT(stage.byteSize(), 0);
    }
}

TEST(StateStage, RoomEndsTheGatheringAndTheMerge)
{
    const Drawn drawn = draw(100000, 20000, 1, 7);
    {
        StateStage stage;
        EXPECT_FALSE(gather(stage, drawn, 1, 0)) << "no room for the line buffers";
    }
    {
        StateStage stage;
        // Room for the line buffers and a few chunks, not for every state.
        EXPECT_FALSE(gather(stage, drawn, 1, 512 << 10));
        EXPECT_LE(stage.byteSize(), 512 << 10);
    }
    StateStage stage;
    ASSERT_TRUE(gather(stage, drawn, 1, -1));
    StateTable small;
    small.reset(1);
    EXPECT_FALSE(stage.mergeInto(small, 64 << 10)) << "the table may not grow past its limit";
    EXPECT_LE(small.byteSize(), 64 << 10);
}
