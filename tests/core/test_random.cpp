// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/random.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

TEST(Random, FirstDrawsOfAKnownSeed)
{
    // Worked out independently of this code: state = state * 134775813 + 1 (mod 2^32), then the
    // upper 32 bits of state * n.
    struct Draw {
        std::uint32_t n, value, state;
    };
    const Draw expected[] = {
        {100, 38, 1655067934u}, {960, 277, 1242767767u}, {960, 76, 342459380u},
        {1, 0, 2377737157u},    {0, 0, 2721613530u},     {4294967295u, 1467157058u, 1467157059u},
        {7, 3, 1889648464u},
    };
    Random random(12345);
    for (const Draw& d : expected) {
        EXPECT_EQ(random(d.n), d.value);
        EXPECT_EQ(random.state(), d.state);
    }
}

TEST(Random, ZeroRangeStillAdvances)
{
    Random a(7), b(7);
    EXPECT_EQ(a(0), 0u);
    b(5);
    EXPECT_EQ(a.state(), b.state());
}

}  // namespace
}  // namespace orvek
