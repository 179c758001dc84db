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

// Growing keeps every word written so far and adds zero ones, across the
// change from small storage to mapped storage and between mapped sizes
// (where the pages are moved, not copied).
TEST(ZeroedWords, GrowingKeepsTheWordsAndAddsZeroOnes)
{
    ZeroedWords words;
    std::size_t written = 0;
    for (std::size_t count : {std::size_t{10}, std::size_t{(1u << 20) / 8 - 1}, std::size_t{(3u << 20) / 8 + 5},
                              std::size_t{(9u << 20) / 8 + 3}}) {
        ASSERT_TRUE(words.grow(count)) << count;
        ASSERT_EQ(words.size(), count);
        EXPECT_GE(words.byteSize(), count * sizeof(std::uint64_t));
        for (std::size_t i = 0; i < written; ++i)
            ASSERT_EQ(words.data()[i], i * 7 + 1) << "word " << i << " after growing to " << count;
        for (std::size_t i = written; i < count; ++i)
            ASSERT_EQ(words.data()[i], 0u) << "word " << i << " after growing to " << count;
        for (std::size_t i = written; i < count; ++i)
            words.data()[i] = i * 7 + 1;
        written = count;
    }
    // Not smaller than it is.
    ASSERT_TRUE(words.grow(5));
    EXPECT_EQ(words.size(), written);
    EXPECT_EQ(words.data()[written - 1], (written - 1) * 7 + 1);
    EXPECT_FALSE(words.grow(SIZE_MAX / 4));
    EXPECT_EQ(words.data()[written - 1], (written - 1) * 7 + 1) << "a refused growth changes nothing";
}

} // namespace
} // namespace velmor
