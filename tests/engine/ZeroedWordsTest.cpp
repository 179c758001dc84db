#include "platform/ZeroedWords.h"

#include <gtest/gtest.h>

#include <utility>

namespace velmor {
namespace {

// Small and huge-page sizes alike: every word is zero at first and every
// word, the last one included, can be written; a move hands the storage
// over and leaves nothing to give back twice.
TEST(ZeroedWords, EveryWordZeroWritableAndMovedOnce)
{
    for (std::size_t count : {std::size_t{1}, std::size_t{1000}, std::size_t{(3u << 20) / 8 + 5}}) {
        ZeroedWords words;
        ASSERT_TRUE(words.allocate(count)) << count;
        ASSERT_EQ(words.size(), count);
        EXPECT_GE(words.byteSize(), count * sizeof(std::uint64_t));
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < count; ++i) {
            sum += words.data()[i];
            words.data()[i] = i + 1;
        }
        EXPECT_EQ(sum, 0u) << count;

        ZeroedWords taken(std::move(words));
        EXPECT_EQ(words.data(), nullptr);
        EXPECT_EQ(taken.data()[count - 1], count);
        // Taken again: fresh zeroed storage, not the old words.
        ASSERT_TRUE(taken.allocate(count));
        EXPECT_EQ(taken.data()[count - 1], 0u);
    }
    ZeroedWords none;
    EXPECT_TRUE(none.allocate(0));
    EXPECT_EQ(none.size(), 0u);
    EXPECT_FALSE(none.allocate(SIZE_MAX / 4));
}

} // namespace
} // namespace velmor
