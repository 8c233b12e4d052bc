// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/index_pool.h"

#include "core/error.h"
#include "core/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvek {
namespace {

// The pool's draws are part of every seed's galaxy: the entries left keep their order, and a draw
// from an empty pool still takes its number from the random source before it fails.
TEST(IndexPool, DrawsKeepTheOrderAndTheRandomSequence)
{
    IndexPool pool;
    pool.fill(5);
    EXPECT_EQ(pool.take(1), 1u);
    EXPECT_EQ(pool.take(3), 4u);
    EXPECT_EQ(pool.take(2), 3u) << "0, 2 and 3 were left, in that order";
    try {
        pool.take(2);
        ADD_FAILURE() << "a position at the end was taken";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
    pool.fill(0);
    Random drawn(9), alone(9);
    EXPECT_THROW(pool.draw(drawn), Error);
    alone(0);
    EXPECT_EQ(drawn.state(), alone.state()) << "the failed draw still took its number";
}

// Any entry can come first, the last one included: over a hundred seeds, each of three does.
TEST(IndexPool, EveryEntryCanBeDrawn)
{
    std::vector<int> first(3);
    for (std::uint32_t seed = 0; seed < 100; ++seed) {
        IndexPool pool;
        pool.fill(3);
        Random random(seed);
        ++first.at(pool.draw(random));
    }
    for (std::size_t entry = 0; entry < first.size(); ++entry)
        EXPECT_GT(first[entry], 10) << "entry " << entry;
}

}  // namespace
}  // namespace orvek
