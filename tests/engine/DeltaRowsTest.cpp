#include "containers/DeltaRows.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace velmor {
namespace {

// Against plain rows: children of random earlier rows, each writing random
// cells of the last row, some more than once and some with values that
// widen the stored width. Every cell of every row reads back as written.
TEST(DeltaRows, ReadsBackWhatPlainRowsHold)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        const int columns = 1 + static_cast<int>(random() % 300);
        DeltaRows rows;
        ASSERT_TRUE(rows.allocate(columns, 1));
        std::vector<std::vector<std::int32_t>> plain{std::vector<std::int32_t>(static_cast<std::size_t>(columns), 0)};
        for (int r = 1; r < 60; ++r) {
            const int parent = static_cast<int>(random() % plain.size());
            ASSERT_EQ(rows.appendChild(parent), r);
            plain.push_back(plain[static_cast<std::size_t>(parent)]);
            const int writes = static_cast<int>(random() % (2 * columns));
            for (int w = 0; w < writes; ++w) {
                const int column = static_cast<int>(random() % columns);
                const std::int32_t value = random() % 7 == 0 ? static_cast<std::int32_t>(random() % 100000) - 50
                                                             : static_cast<std::int32_t>(random() % 200);
                ASSERT_TRUE(rows.set(column, r, value));
                plain.back()[static_cast<std::size_t>(column)] = value;
            }
            EXPECT_FALSE(rows.set(0, r - 1, 1)) << "an earlier row takes no writes";
        }
        std::vector<std::int32_t> read(static_cast<std::size_t>(columns));
        for (int r = 0; r < rows.rowCount(); ++r) {
            rows.readRow(r, read.data());
            ASSERT_EQ(read, plain[static_cast<std::size_t>(r)]) << "seed " << seed << " row " << r;
            for (int c = 0; c < columns; c += 7)
                ASSERT_EQ(rows.get(c, r), plain[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
        }
    }
}

} // namespace
} // namespace velmor
