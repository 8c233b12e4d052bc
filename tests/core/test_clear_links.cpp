// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/clear_links.h"

#include "core/linking.h"
#include "core/random.h"
#include "support/generator_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace orvek {
namespace {

// The test of an attempt with clear jumpgates, which skips the wormholes when the own links leave
// too many pieces, says what the whole galaxy it would store says, over random attempts of few
// links (most in many pieces) and many wormholes (where the wormholes decide).
TEST(ClearLinks, TheTestAgreesWithTheGalaxyItStores)
{
    Random random(99);
    int connected = 0, tried = 0;
    for (const int n : {12, 40, 120, 175})
        for (int round = 0; round < 60; ++round) {
            // Planets on distinct squares of a 16 x 16 lattice 60 units apart, each moved by
            // up to 4 units: never closer than the clearance.
            std::vector<int> squares(256);
            for (int i = 0; i < 256; ++i)
                squares[static_cast<std::size_t>(i)] = i;
            Placed placed(n);
            for (int p = 0; p < n; ++p) {
                const auto pick =
                    static_cast<std::size_t>(p) + random(256u - static_cast<std::uint32_t>(p));
                std::swap(squares[static_cast<std::size_t>(p)], squares[pick]);
                const int square = squares[static_cast<std::size_t>(p)];
                placed.put(p, 20 + square % 16 * 60 + static_cast<int>(random(5)),
                           20 + square / 16 * 60 + static_cast<int>(random(5)));
                placed.own_links[p] =
                    1 + static_cast<int>(random(static_cast<std::uint32_t>(round % 3 + 1)));
            }
            const std::uint32_t wormholes = random(6);
            for (std::uint32_t w = 0; w < wormholes; ++w)
                placed.wormhole_at.push_back(random(static_cast<std::uint32_t>(n) - w));
            const std::vector<std::string> names(static_cast<std::size_t>(n), "Sol");
            const std::vector<std::string> templates(static_cast<std::size_t>(n), "t.txt");
            Linker linker(n, true);
            const bool said = linker.connected(placed);
            std::vector<Planet> planets;
            linker.store(placed, planets, templates, names);
            EXPECT_EQ(said, testing::reached_from_first(planets) == planets.size())
                << n << " planets, round " << round;
            connected += said;
            ++tried;
        }
    EXPECT_GT(connected, tried / 10) << "the table must hold connected attempts too";
    EXPECT_LT(connected, tried * 9 / 10) << "and attempts in pieces";
}

}  // namespace
}  // namespace orvek
