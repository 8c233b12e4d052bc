// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/nearest_planets.h"

#include "core/generator.h"
#include "core/random.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

// Planets placed as the generator places them: clear of each other, anywhere on the map.
Placed scattered(int n, std::uint32_t seed)
{
    Placed placed(n);
    Random random(seed);
    for (int p = 0; p < n; ++p) {
        int x, y;
        bool clash;
        do {
            x = kMapMin + static_cast<int>(random(kMapRange));
            y = kMapMin + static_cast<int>(random(kMapRange));
            clash = false;
            for (int q = 0; q < p; ++q)
                clash = clash || positions_clash(x, y, placed.x(q), placed.y(q));
        } while (clash);
        placed.put(p, x, y);
    }
    return placed;
}

// Every vector kind and the block search find what the plain scan finds, ties included.
TEST(NearestPlanets, EveryKindFindsWhatThePlainScanFinds)
{
    for (const int n : {8, 9, 74, 130, 150}) {
        for (std::uint32_t seed = 1; seed <= 3; ++seed) {
            const Placed placed = scattered(n, seed);
            NearbyPlanets nearby;
            nearby.fill(placed);
            for (int p = 0; p < n; ++p) {
                for (int count = 1; count <= 3; ++count) {
                    std::int16_t plain[3] = {}, other[3] = {};
                    nearest_scan_plain(placed, p, count, plain);
                    const auto same = [&](const char* kind) {
                        for (int k = 0; k < count; ++k)
                            EXPECT_EQ(other[k], plain[k])
                                << kind << ": n " << n << ", seed " << seed << ", planet " << p
                                << ", nearest " << k;
                    };
                    if (nearest_scan_sse2(placed, p, count, other))
                        same("SSE2");
                    if (nearest_scan_avx2(placed, p, count, other))
                        same("AVX2");
                    if (nearby.nearest(placed, p, count, other))
                        same("block search");
                    nearest_scan(placed, p, count, other);
                    same("fastest");
                }
            }
        }
    }
}

// A planet just outside the block around planet 1, exactly as far as the nearest one inside it
// and with the lower number, is the nearest: the block search must not claim the inside one.
TEST(NearestPlanets, TheBlockSearchIsUnsureAtItsEdge)
{
    const int spots[][2] = {{335, 500}, {448, 500}, {448, 613}, {900, 900},
                            {900, 100}, {100, 900}, {950, 500}, {500, 950}};
    Placed placed(8);
    for (int p = 0; p < 8; ++p)
        placed.put(p, spots[p][0], spots[p][1]);
    NearbyPlanets nearby;
    nearby.fill(placed);
    std::int16_t nearest[1] = {-1};
    if (nearby.nearest(placed, 1, 1, nearest)) {
        EXPECT_EQ(nearest[0], 0) << "the tie goes to the lower number";
    }
    nearest_scan(placed, 1, 1, nearest);
    EXPECT_EQ(nearest[0], 0);
}

}  // namespace
}  // namespace orvek
